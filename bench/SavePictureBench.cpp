#include "Bitmap.h"
#include "PictureFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace glintfall {
namespace {

// Saving one 480 × 480 picture the safe way: temporary file, sync, rename.
void BM_SavePicture(benchmark::State& state)
{
    QTemporaryDir folder(QStringLiteral("glintfall-bench-XXXXXX"));
    const QString path = folder.filePath(QStringLiteral("pic.bmp"));
    TABitmap picture(480, 480);
    for (auto _ : state)
        if (!WritePictureFile(picture, path))
            state.SkipWithError("the picture could not be written");
}
BENCHMARK(BM_SavePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace glintfall
