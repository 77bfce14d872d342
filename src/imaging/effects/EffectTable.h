#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Every pixel operation of the engine, registered once. ImgX, the quorvane-img command and
// the tests all look effects up here, so an operation means the same everywhere.
namespace imaging::effects {

// The arguments exactly as callers pass them: numbers in order (the trailing flag arguments
// included), and the second image of a merge.
struct Arguments {
    std::vector<double> numbers;
    const QImage* source = nullptr;
};

// Runs an effect from `src` into `dst`. `dst` is reused when it already has the result's
// size and format and is not shared, so repeated runs touch no fresh memory; otherwise it
// is replaced. `src` and `dst` are never the same image. Throws imaging::Error for a bad
// argument, leaving `dst` as it was.
using Apply = std::function<void(const QImage& src, QImage& dst, const Arguments& args)>;

struct EffectEntry {
    QString name;               // command-line name, e.g. "filter3x3"
    QString caption;            // undo step caption, e.g. "Filter"
    QStringList argumentNames;  // one per number, in order, e.g. {"direction", "flags"}
    bool needsImage = true;     // false for an effect that makes a new image (blank)
    bool needsSource = false;   // true for merge
    Apply apply;
};

const std::vector<EffectEntry>& effectTable();

// The effect of that name; throws imaging::Error (kInvalidArgument) when there is none.
const EffectEntry& effectNamed(const QString& name);

// Number of distinct 24-bit RGB colours in the image (alpha ignored).
qint64 countColors(const QImage& image);

}  // namespace imaging::effects
