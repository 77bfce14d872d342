#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "operations/CommandContext.h"

namespace operations {

// Lays an image file over the whole document at an opacity the user types. The chosen image
// is stretched to the document's size and shown through `show` while the opacity is asked;
// when nothing is laid over, `show` gets the document's own picture back. Returns the file
// chosen, empty when the file dialog was cancelled.
QString overlayNormal(const CommandContext& context, const QString& startFolder,
                      const std::function<void(const QImage&)>& show);

}  // namespace operations
