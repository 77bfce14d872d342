#include "HostileFiles.h"

#include <QDir>
#include <QImage>

namespace wallpaper_test {

namespace {

struct HostileName {
    const char* label;
    const char* name;  // UTF-8
};

// Each name also names its folder, so every hostile character appears twice in the path.
constexpr HostileName kHostileNames[] = {
    {"spaces", "sunset  beach at noon "},
    {"quotes", "it's a \"quoted\" name"},
    {"home_variable", "$HOME and ${HOME}"},
    {"command_substitution", "$(touch pwned)"},
    {"backquotes", "`touch pwned`"},
    {"semicolon", "a; touch pwned;"},
    {"ampersand", "a & touch pwned &"},
    {"hash", "#not a comment"},
    {"percent", "100% %41 %2F %f %%"},
    {"question_mark", "why? ?"},
    {"tilde", "~ and ~root"},
    {"exclamation_mark", "wow! !! !-1"},
    {"backslash", "back\\slash \\n \\\\ \\"},
    {"leading_dash", "-n --help"},
    {"accented", "caf\xc3\xa9 r\xc3\xa9sum\xc3\xa9"},
    {"japanese", "\xe6\x97\xa5\xe6\x9c\xac\xe3\x81\xae\xe5\xa3\x81\xe7\xb4\x99"},
    {"newline", "first line\nsecond line"},
};

// Far apart from one another and from black, the colour of an empty desktop.
QRgb colourOf(int index) { return qRgb(40 + index * 12, 230 - index * 11, index % 2 ? 200 : 60); }

}  // namespace

std::vector<HostileFile> writeHostileFiles(const QString& root) {
    std::vector<HostileFile> files;
    for (const HostileName& hostile : kHostileNames) {
        const QString name = QString::fromUtf8(hostile.name);
        const QString folder = root + QLatin1Char('/') + name;
        QDir().mkpath(folder);
        const QRgb colour = colourOf(int(files.size()));
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        image.save(path, "PNG");
        files.push_back({hostile.label, path, colour});
    }
    return files;
}

}  // namespace wallpaper_test
