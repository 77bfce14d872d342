#pragma once

#include "rotation/wallpaper/ProgramSequence.h"

#include <QString>

namespace rotation {

// `gsettings set` parses its value as GVariant text, so a string must be written as a
// quoted literal; anything else would let a quote or backslash in a path end the value.
QString gvariantStringLiteral(const QString& text);

// A local path as a file:// URI in which every byte of its UTF-8 form other than letters,
// digits, "-._~" and "/" is percent-encoded.
QString fileUri(const QString& path);

// Runs `gsettings set SCHEMA KEY VALUE` as a step of `change`; VALUE is GVariant text.
// True when gsettings took it.
bool setGSettingsKey(ProgramSequence& change, const QString& schema, const QString& key,
                     const QString& value);

}  // namespace rotation
