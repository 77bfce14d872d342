#include "ImgCommand.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <functional>
#include <map>

#include "imaging/Error.h"
#include "imaging/ImgX.h"
#include "imaging/FormatCode.h"
#include "imaging/InfoItems.h"

namespace imgtool {

namespace {

struct UsageError {
    QString message;
};

// The words of the command line, consumed from the front.
class Words {
public:
    explicit Words(QStringList words) : words_(std::move(words)) {}
    bool atEnd() const { return next_ >= words_.size(); }
    QString peek() const { return atEnd() ? QString() : words_.at(next_); }
    QString take(const QString& what) {
        if (atEnd()) throw UsageError{QStringLiteral("missing %1").arg(what)};
        return words_.at(next_++);
    }
    double number(const QString& what) {
        const QString word = take(what);
        bool ok = false;
        const double value = QLocale::c().toDouble(word, &ok);
        if (!ok) throw UsageError{QStringLiteral("%1 must be a number, not \"%2\"").arg(what, word)};
        return value;
    }
    int integer(const QString& what) {
        const double value = number(what);
        if (value != std::floor(value) || std::abs(value) > 2147483647.0)
            throw UsageError{QStringLiteral("%1 must be a whole number").arg(what)};
        return int(value);
    }
    // 0xRRGGBB, #RRGGBB or a decimal number.
    int color(const QString& what) {
        QString word = take(what);
        bool ok = false;
        int value = 0;
        if (word.startsWith(QLatin1Char('#')))
            value = word.mid(1).toInt(&ok, 16);
        else if (word.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value = word.mid(2).toInt(&ok, 16);
        else
            value = word.toInt(&ok, 10);
        if (!ok) throw UsageError{QStringLiteral("%1 must be a colour such as 0x336699").arg(what)};
        return value;
    }
    imaging::Kernel3x3 kernel() {
        imaging::Kernel3x3 k{};
        for (std::size_t i = 0; i < k.size(); ++i) k[i] = number(QStringLiteral("kernel value"));
        return k;
    }

private:
    QStringList words_;
    qsizetype next_ = 0;
};

using Operation = std::function<void(imaging::ImgX&, Words&, QTextStream& out)>;

const std::map<QString, Operation>& operations() {
    static const std::map<QString, Operation> table = {
        {QStringLiteral("flip"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const QString direction = w.take(QStringLiteral("flip direction (h or v)"));
             if (direction != QLatin1String("h") && direction != QLatin1String("v"))
                 throw UsageError{QStringLiteral("flip takes h (mirror) or v (upside down)")};
             x.effects().Flip(direction == QLatin1String("h") ? 0 : 1, 0);
         }},
        {QStringLiteral("rotate"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             x.effects().Rotate(float(w.number(QStringLiteral("degrees"))), 0, 0);
         }},
        {QStringLiteral("resize"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const int width = w.integer(QStringLiteral("width"));
             const int height = w.integer(QStringLiteral("height"));
             x.effects().Resize(width, height, -1, -1, 0);
         }},
        {QStringLiteral("crop"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const int left = w.integer(QStringLiteral("left"));
             const int top = w.integer(QStringLiteral("top"));
             const int width = w.integer(QStringLiteral("width"));
             const int height = w.integer(QStringLiteral("height"));
             x.effects().Crop(left, top, width, height, 0);
         }},
        {QStringLiteral("filter3x3"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const imaging::Kernel3x3 kernel = w.kernel();
             x.effects().Filter3x3(kernel, w.number(QStringLiteral("factor")), 0);
         }},
        {QStringLiteral("convolve"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const imaging::Kernel3x3 kernel = w.kernel();
             const double divisor = w.number(QStringLiteral("divisor"));
             x.effects().Convolve(kernel, divisor, w.integer(QStringLiteral("channel mask")), 0,
                                  0, 0);
         }},
        {QStringLiteral("sharpen"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             x.effects().Sharpen(w.integer(QStringLiteral("percent")), 0);
         }},
        {QStringLiteral("grayscale"),
         [](imaging::ImgX& x, Words&, QTextStream&) { x.effects().Grayscale(0); }},
        {QStringLiteral("blank"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             const int width = w.integer(QStringLiteral("width"));
             const int height = w.integer(QStringLiteral("height"));
             x.effects().CreateBlank(width, height, w.color(QStringLiteral("colour")), 0, 0, 0);
         }},
        {QStringLiteral("merge"),
         [](imaging::ImgX& x, Words& w, QTextStream&) {
             imaging::ImgX source;
             source.canvas().LoadFile(w.take(QStringLiteral("image to merge")), 1, 0);
             const int left = w.integer(QStringLiteral("x"));
             const int top = w.integer(QStringLiteral("y"));
             const int opacity = w.integer(QStringLiteral("opacity"));
             int transparent = -1;
             if (w.peek().startsWith(QLatin1Char('#')) || w.peek().startsWith(QLatin1String("0x")))
                 transparent = w.color(QStringLiteral("transparent colour"));
             x.effects().Merge(source, left, top, opacity, transparent, 0);
         }},
        {QStringLiteral("info"),
         [](imaging::ImgX& x, Words&, QTextStream& out) {
             out << x.Width() << 'x' << x.Height() << ' ' << x.Colors() << " colours";
             // The format of the file read, which a blank image has none of.
             const char* format = imaging::formatLabel(x.Info(imaging::kInfoFormatCode).toInt());
             if (*format) out << ", " << format;
             out << '\n';
         }},
    };
    return table;
}

int formatFromExtension(const QString& path) {
    static const std::map<QString, int> byExtension = {
        {QStringLiteral("jpg"), imaging::kFormatJpeg}, {QStringLiteral("jpeg"), imaging::kFormatJpeg},
        {QStringLiteral("png"), imaging::kFormatPng},  {QStringLiteral("tif"), imaging::kFormatTiff},
        {QStringLiteral("tiff"), imaging::kFormatTiff}, {QStringLiteral("pcx"), imaging::kFormatPcx},
        {QStringLiteral("tga"), imaging::kFormatTga},  {QStringLiteral("bmp"), imaging::kFormatBmp},
        {QStringLiteral("wmf"), imaging::kFormatWmf},  {QStringLiteral("emf"), imaging::kFormatEmf}};
    const auto it = byExtension.find(QFileInfo(path).suffix().toLower());
    if (it == byExtension.end())
        throw UsageError{QStringLiteral("cannot tell the format of \"%1\" from its extension "
                                        "(bmp, jpg, png, tif, pcx, tga, wmf, emf)")
                             .arg(path)};
    return it->second;
}

struct SaveOptions {
    int bits = 24;
};

// Options stand before IN or between OUT and the first operation; they set the engine's
// save settings.
void readOptions(Words& words, imaging::ImgX& x, SaveOptions& options) {
    while (words.peek().startsWith(QLatin1String("--"))) {
        const QString option = words.take(QStringLiteral("option"));
        if (option == QLatin1String("--quality")) {
            x.setInfo(imaging::kInfoJpegQuality, words.number(QStringLiteral("quality")));
        } else if (option == QLatin1String("--bits")) {
            const QString bits = words.take(QStringLiteral("bits"));
            if (bits != QLatin1String("8") && bits != QLatin1String("24"))
                throw UsageError{QStringLiteral("--bits takes 8 or 24, not \"%1\"").arg(bits)};
            options.bits = bits.toInt();
        } else if (option == QLatin1String("--interlaced")) {
            x.setInfo(imaging::kInfoInterlaced, true);
        } else if (option == QLatin1String("--dct")) {
            const QStringList methods = {"default", "accurate", "fast", "float"};
            const QString method = words.take(QStringLiteral("DCT method"));
            if (!methods.contains(method))
                throw UsageError{QStringLiteral("--dct takes default, accurate, fast or float")};
            x.setInfo(imaging::kInfoJpegDctMethod, int(methods.indexOf(method)));
        } else {
            throw UsageError{QStringLiteral("unknown option %1").arg(option)};
        }
    }
}

}  // namespace

QString usage() {
    return QStringLiteral(
        "Usage: quorvane-img [OPTIONS] IN OUT [OPTIONS] OP [ARGS] [OP [ARGS]...]\n"
        "Applies image operations in order. IN \"-\" starts without an image (use blank);\n"
        "OUT \"-\" writes nothing. The format of OUT follows its extension.\n"
        "\n"
        "Operations:\n"
        "  flip h|v                       mirror left-right (h) or upside down (v)\n"
        "  rotate DEGREES                 clockwise; the canvas grows to hold the result\n"
        "  resize WIDTH HEIGHT            exactly that size\n"
        "  crop LEFT TOP WIDTH HEIGHT     keep the rectangle's part inside the image\n"
        "  filter3x3 K1..K9 FACTOR        p - FACTOR * sum(K * neighbourhood)\n"
        "  convolve K1..K9 DIVISOR MASK   sum(K * neighbourhood) / DIVISOR on channels MASK\n"
        "                                 (1 red, 2 green, 4 blue)\n"
        "  sharpen PERCENT                unsharp mask\n"
        "  grayscale                      Rec. 601 luma\n"
        "  blank WIDTH HEIGHT COLOUR      new image in one colour (0xRRGGBB or #RRGGBB)\n"
        "  merge FILE X Y OPACITY [TRANSPARENT]\n"
        "                                 draw FILE at X,Y; TRANSPARENT colour left out\n"
        "  info                           print size, colour count and the format read\n"
        "\n"
        "Options:\n"
        "  --quality N       JPEG quality 10..100\n"
        "  --bits 8|24       BMP palette or true colour; JPEG grey or colour (nothing else)\n"
        "  --interlaced      progressive JPEG, interlaced PNG\n"
        "  --dct METHOD      JPEG DCT: default, accurate, fast, float\n"
        "\n"
        "Exit status: 0 done, 1 an operation or a file failed (OUT is then left as it was),\n"
        "2 the command line is wrong.\n");
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.isEmpty() || arguments.contains(QLatin1String("--help"))) {
        (arguments.isEmpty() ? err : out) << usage();
        return arguments.isEmpty() ? 2 : 0;
    }
    imaging::ImgX x;
    Words words(arguments);
    try {
        SaveOptions options;
        readOptions(words, x, options);
        const QString in = words.take(QStringLiteral("input file"));
        const QString output = words.take(QStringLiteral("output file"));
        readOptions(words, x, options);
        const int format = output == QLatin1String("-") ? 0 : formatFromExtension(output);
        if (words.atEnd()) throw UsageError{QStringLiteral("no operation given")};
        if (in != QLatin1String("-")) x.canvas().LoadFile(in, 1, 0);
        while (!words.atEnd()) {
            const QString name = words.take(QStringLiteral("operation"));
            const auto it = operations().find(name);
            if (it == operations().end())
                throw UsageError{QStringLiteral("unknown operation \"%1\"").arg(name)};
            it->second(x, words, out);
        }
        if (format != 0) x.files().SaveFile(output, format, options.bits);
        out.flush();
        return 0;
    } catch (const UsageError& error) {
        err << "quorvane-img: " << error.message << "\n\n" << usage();
        return 2;
    } catch (const imaging::Error& error) {
        out.flush();
        err << "quorvane-img: " << error.description << " (error " << error.number << ")\n";
        return 1;
    }
}

}  // namespace imgtool
