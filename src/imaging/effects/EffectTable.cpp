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

std::vector<EffectEntry> makeTable() {
    const auto entry = [](const char* name, const char* caption,
                          std::initializer_list<const char*> arguments, Apply apply) {
        EffectEntry effect;
        effect.name = QString::fromLatin1(name);
        effect.caption = QString::fromLatin1(caption);
        effect.argumentNames = names(arguments);
        effect.apply = std::move(apply);
        return effect;
    };
    std::vector<EffectEntry> table;
    table.push_back(entry("flip", "Flip", {"direction", "flags"}, flip));
    table.push_back(entry("rotate", "Rotate", {"degrees", "flags", "flags"}, rotate));
    table.push_back(
        entry("resize", "Resize", {"width", "height", "reserved", "reserved", "flags"}, resize));
    table.push_back(entry("crop", "Crop", {"left", "top", "width", "height", "flags"}, crop));
    table.push_back(entry("filter3x3", "Filter",
                          {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7", "k8", "factor", "flags"},
                          filter3x3));
    table.push_back(entry("convolve", "Filter",
                          {"k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7", "k8", "divisor",
                           "channelMask", "flags", "flags", "flags"},
                          convolve));
    table.push_back(entry("sharpen", "Sharpen", {"percent", "flags"}, sharpen));
    table.push_back(entry("grayscale", "Grayscale", {"flags"}, grayscale));
    EffectEntry blankEntry =
        entry("blank", "New Image", {"width", "height", "color", "flags", "flags", "flags"}, blank);
    blankEntry.needsImage = false;
    table.push_back(blankEntry);
    EffectEntry mergeEntry =
        entry("merge", "Merge", {"x", "y", "opacity", "transparentColor", "flags"}, merge);
    mergeEntry.needsSource = true;
    table.push_back(mergeEntry);
    return table;
}

}  // namespace

const std::vector<EffectEntry>& effectTable() {
    static const std::vector<EffectEntry> table = makeTable();
    return table;
}

const EffectEntry& effectNamed(const QString& name) {
    for (const EffectEntry& effect : effectTable())
        if (effect.name == name) return effect;
    throw Error(kInvalidArgument, QStringLiteral("There is no effect named \"%1\".").arg(name));
}

}  // namespace imaging::effects
