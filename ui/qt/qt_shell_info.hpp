#pragma once

// Names and type names as the desktop shows them: the file's name and the MIME type's comment
// from shared-mime-info, in the user's language.

#include <QMimeDatabase>
#include <QString>
#include <memory>
#include <string>
#include <unordered_map>

#include "folder_listings.hpp"
#include "name_globs.hpp"
#include "shell_seams.hpp"

namespace tempinex::qt {

class QtShellInfo : public IShellInfo {
 public:
  std::u16string DisplayName(const std::u16string& path) override;
  std::u16string TypeName(const std::u16string& path) override;
  void BeginManyQuestions(const std::vector<std::u16string>& paths) override;
  void EndManyQuestions() override;

 private:
  QMimeDatabase database;
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view key) const {
      return std::hash<std::u16string_view>{}(key);
    }
  };
  // A look-up by name takes tens of microseconds; large sets share few suffixes.
  std::unordered_map<std::u16string, std::u16string, KeyHash, std::equal_to<>> typeNameByKey;
  // Read when the first file is met.
  std::unique_ptr<NameGlobs> globs;
  // The list asks for a file's display name and then at once for its type name: the kind
  // found by the first question answers the second, so each row costs one lstat, not two.
  std::u16string kindPath;
  int kindOfPath = 0;
  // While many questions are asked: their folders, listed once.
  FolderListings listings;

  EntryKind KindOf(const std::u16string& path) const;
};

// A local path for Qt: our UTF-16 name back to its bytes, then as Qt spells those bytes.
QString NativePath(const std::u16string& path);

}  // namespace tempinex::qt
