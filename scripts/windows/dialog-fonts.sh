#!/usr/bin/env bash
# The dialog fonts under Wine: the Japanese fonts the dialogs name ("ＭＳ Ｐゴシック" and the
# system's "MS UI Gothic") are drawn with the IPA font of the same kind. Run with the Wine
# prefix to set up as the environment (scripts/windows/wine-user.sh), reading this on stdin.
for font in "MS UI Gothic" "ＭＳ Ｐゴシック" "MS PGothic"; do
  timeout 60 wine reg add "HKCU\Software\Wine\Fonts\Replacements" /v "$font" \
    /t REG_SZ /d IPAPGothic /f > /dev/null 2>&1
done
