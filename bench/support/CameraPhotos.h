#pragma once

#include <QString>

namespace bench {

// A 6000 x 4000 JPEG at quality 90, a colour gradient with noise of `noise` grey levels each
// way drawn from `seed`, written once per noise and seed into a folder that lasts the run.
// Noise 16 makes an 8.3 MB file, as a 24-megapixel camera writes; 4 a smoother 2.8 MB one.
const QString& cameraPhoto(int noise, quint32 seed = 20240601);

}  // namespace bench
