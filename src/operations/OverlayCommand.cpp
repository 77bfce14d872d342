#include "operations/OverlayCommand.h"

#include <cmath>

#include "operations/NumericText.h"
#include "platform/Prompter.h"

namespace operations {
namespace {

// The opacity typed: 0 (or Cancel) for nothing; other numbers outside 1..100 are asked again.
int askOpacity(const CommandContext& context) {
    for (;;) {
        const std::optional<QString> answer =
            context.prompter.input(QStringLiteral("What opacity? [1..100]"),
                                   platform::defaultTitle(), QStringLiteral("50"), context.window);
        if (!answer) return 0;
        const std::optional<int> opacity = toWholeNumber(leadingNumber(*answer));
        if (opacity && *opacity >= 0 && *opacity <= 100) return *opacity;
    }
}

}  // namespace

QString overlayNormal(const CommandContext& context, const QString& startFolder,
                      const std::function<void(const QImage&)>& show) {
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.initialFolder = startFolder;
    request.filter = QStringLiteral(
        "Images|*.jpg;*.bmp;*.png;*.tif;*.pcx;*.tga;*.wmf;*.heic;*.heif;*.avif;*.jxl");
    const std::optional<platform::FileDialogResult> chosen =
        context.prompter.openFile(request, context.window);
    if (!chosen) return {};
    imaging::ImgX& document = context.image;
    try {
        imaging::ImgX overlay;
        overlay.canvas().LoadFile(chosen->path, 1, 0);
        overlay.effects().Resize(document.Width(), document.Height(), -1, -1, 0);
        show(overlay.files().Picture());
        const int opacity = askOpacity(context);
        if (opacity == 0) {
            show(document.files().Picture());
            return chosen->path;
        }
        // nearbyint follows the default rounding mode, round-half-to-even.
        document.effects().Merge(
            overlay, int(std::nearbyint((document.Width() - overlay.Width()) / 2.0)),
            int(std::nearbyint((document.Height() - overlay.Height()) / 2.0)), opacity, -1, 0);
    } catch (const std::exception&) {
        show(document.files().Picture());
        context.prompter.message(QStringLiteral("Error with image."), platform::Buttons::Ok,
                                 platform::Icon::Exclamation, QStringLiteral("Overlay"),
                                 context.window);
    }
    return chosen->path;
}

}  // namespace operations
