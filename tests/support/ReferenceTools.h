#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The photo formats' reference encoders and decoders, run on files in a test's folder.
namespace imaging_testing {

inline const QStringList kHeifEncode = {"heif-enc", "-q", "80", "%i", "-o", "%o"};
inline const QStringList kHeifDecode = {"heif-convert", "%o", "%r"};
inline const QStringList kAvifEncode = {"avifenc", "%i", "%o"};
inline const QStringList kAvifDecode = {"avifdec", "%o", "%r"};
inline const QStringList kAvifLossless = {"avifenc", "--lossless", "%i", "%o"};
inline const QStringList kJxlEncode = {"cjxl", "-d", "1", "%i", "%o"};
inline const QStringList kJxlLossless = {"cjxl", "-d", "0", "%i", "%o"};
// djxl gives the file's own colour space unless asked for sRGB, which ours always is.
inline const QStringList kJxlDecode = {"djxl", "%o", "%r", "--color_space=RGB_D65_SRG_Rel_SRG"};

// Runs `command` with %i as the folder's in.png, %o as `out` and %r as its reference.png.
inline bool runTool(QStringList command, const QTemporaryDir& folder, const QString& out) {
    for (QString& argument : command)
        argument.replace("%i", folder.filePath("in.png"))
            .replace("%o", out)
            .replace("%r", folder.filePath("reference.png"));
    QProcess tool;
    tool.start(command.takeFirst(), command);
    return tool.waitForFinished(60000) && tool.exitCode() == 0;
}

}  // namespace imaging_testing
