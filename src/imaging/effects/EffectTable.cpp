#include "imaging/effects/EffectTable.h"

#include "imaging/Error.h"
#include "imaging/effects/Blank.h"
#include "imaging/effects/Convolve.h"
#include "imaging/effects/Crop.h"
#include "imaging/effects/Filter3x3.h"
#include "imaging/effects/Flip.h"
#include "imaging/effects/Grayscale.h"
#include "imaging/effects/Merge.h"
#include "imaging/effects/Resize.h"
#include "imaging/effects/Rotate.h"
#include "imaging/effects/Sharpen.h"

namespace imaging::effects {

namespace {

QStringList names(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* name : list) result << QString::fromLatin1(name);
    return result;
}

std::vector<EffectSpec> makeTable() {
    const auto spec = [](const char* name, const char* caption,
                         std::initializer_list<const char*> arguments, Apply apply) {
        EffectSpec effect;
        effect.name = QString::fromLatin1(name);
        effect.caption = QString::fromLatin1(caption);
        effect.argumentNames = names(arguments);
        effect.apply = std::move(apply);
        return effect;
    };
    std::vector<EffectSpec> table;
    table.push_back(spec("flip", "Flip", {"direction", "flags"}, flip));
    table.push_back(spec("rotate", "Rotate", {"degrees", "flags", "flags"}, rotate));
    table.push_back(
        spec("resize", "Resize", {"width", "height", "reserved", "reserved", "flags"}, resize));
    table.push_back(spec("crop", "Crop", {"left", "top", "width", "height", "flags"}, crop));
    table.push_back(spec("filter3x3", "Filter",
                         {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7", "k8", "factor", "flags"},
                         filter3x3));
    table.push_back(spec("convolve", "Filter",
                         {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7", "k8", "divisor",
                          "channelMask", "flags", "flags", "flags"},
                         convolve));
    table.push_back(spec("sharpen", "Sharpen", {"percent", "flags"}, sharpen));
    table.push_back(spec("grayscale", "Grayscale", {"flags"}, grayscale));
    EffectSpec blankSpec =
        spec("blank", "New Image", {"width", "height", "color", "flags", "flags", "flags"}, blank);
    blankSpec.needsImage = false;
    table.push_back(blankSpec);
    EffectSpec mergeSpec =
        spec("merge", "Merge", {"x", "y", "opacity", "transparentColor", "flags"}, merge);
    mergeSpec.needsSource = true;
    table.push_back(mergeSpec);
    return table;
}

}  // namespace

const std::vector<EffectSpec>& effectTable() {
    static const std::vector<EffectSpec> table = makeTable();
    return table;
}

const EffectSpec& effectNamed(const QString& name) {
    for (const EffectSpec& effect : effectTable())
        if (effect.name == name) return effect;
    throw Error(kInvalidArgument, QStringLiteral("There is no effect named \"%1\".").arg(name));
}

}  // namespace imaging::effects
