#pragma once

// How a window shows a long batch apply, the same in every binding: a modal display with this
// title appears once the batch has run for kBatchProgressShowAfterMs and is brought up to date
// at most every kBatchProgressRepaintMs; a batch, once started, runs to its end.

namespace tempinex {

inline constexpr char16_t kBatchProgressTitle[] = u"適用中";
inline constexpr int kBatchProgressShowAfterMs = 500;
inline constexpr int kBatchProgressRepaintMs = 50;

}  // namespace tempinex
