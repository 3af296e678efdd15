// Google Benchmark of the gallery's work on one camera photo: load, scale to the large
// size, save, scale to the small size, save. The photo is the file named by
// LUMIVISTA_BENCH_JPEG, else a 12-megapixel picture made from a test photo.
#include "pic/colour.h"
#include "pic/picture.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QString benchmarkPhoto(const QTemporaryDir& dir)
{
    const QString given = qEnvironmentVariable("LUMIVISTA_BENCH_JPEG");
    if (!given.isEmpty()) {
        return given;
    }
    Picture photo;
    LoadPicture(photo, QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg"));
    ScalePicture(photo, 4000, 3000, false, 0);
    Brightness(photo, 1);
    const QString path = dir.filePath(QStringLiteral("photo12mp.jpg"));
    SaveJpeg(photo, path, 90);
    return path;
}

const QString& photoPath()
{
    static QTemporaryDir dir;
    static const QString path = benchmarkPhoto(dir);
    return path;
}

void loadOnly(benchmark::State& state)
{
    for (auto _ : state) {
        Picture picture;
        LoadPicture(picture, photoPath());
        benchmark::DoNotOptimize(picture.image().constBits());
    }
}

void scaleOnly(benchmark::State& state)
{
    Picture photo;
    LoadPicture(photo, photoPath());
    for (auto _ : state) {
        Picture picture = photo;
        ScalePicture(picture, 800, 600, true, 0);
        benchmark::DoNotOptimize(picture.image().constBits());
    }
}

void encodeFullSize(benchmark::State& state)
{
    QTemporaryDir out;
    Picture photo;
    LoadPicture(photo, photoPath());
    ToBitmap(photo);
    for (auto _ : state) {
        SaveJpeg(photo, out.filePath(QStringLiteral("full.jpg")), 90);
    }
}

void galleryPicture(benchmark::State& state)
{
    QTemporaryDir out;
    for (auto _ : state) {
        Picture picture;
        LoadPicture(picture, photoPath());
        ScalePicture(picture, 800, 600, true, 0);
        ToBitmap(picture);
        SaveJpeg(picture, out.filePath(QStringLiteral("large.jpg")), 85);
        ScalePicture(picture, 160, 120, true, 0);
        SaveJpeg(picture, out.filePath(QStringLiteral("small.jpg")), 85);
    }
}

} // namespace

BENCHMARK(loadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(scaleOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(encodeFullSize)->Unit(benchmark::kMillisecond);
BENCHMARK(galleryPicture)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
