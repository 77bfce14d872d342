#include <gtest/gtest.h>

#include <QDirIterator>

#include "CodecTestSupport.h"

// Every file of the fuzzers' corpus, the seeds and the inputs that once crashed a codec,
// goes through the public decoder of the ordinary build: an image or an imaging::Error,
// never a crash.
namespace {

namespace codecs = imaging::codecs;

TEST(FuzzCorpus, EveryFileDecodesOrFailsCleanly) {
    const QString root = QStringLiteral(QUORVANE_FUZZ_CORPUS);
    codecs::DecodeOptions options;
    options.limits.maxPixels = 1 << 22;
    options.limits.maxBytes = std::int64_t(1) << 24;
    int files = 0;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files) {
        const QString path = it.next();
        SCOPED_TRACE(path.toStdString());
        try {
            const QImage image = codecs::decode(path, options);
            EXPECT_TRUE(image.format() == QImage::Format_RGB32 ||
                        image.format() == QImage::Format_ARGB32);
        } catch (const imaging::Error& error) {
            EXPECT_FALSE(error.description.isEmpty());
        }
        try {
            codecs::inspect(path, options.limits);
        } catch (const imaging::Error&) {
        }
    }
    EXPECT_GE(files, 25) << "corpus not found under " << root.toStdString();
}

}  // namespace
