// The gallery strip on a generated folder of 10,000 JPEGs (1280 x 960, a few hundred distinct
// pictures under distinct names), with anchors measured in the same run:
//   strip/scan_first_paint    ScanFolder until the strip has painted every visible thumbnail
//                             (thumbnail cache empty at each start)
//   strip/scroll_end_to_end   one pass scrolling the whole strip a page at a time, each page
//                             painted with its thumbnails; counters: memory growth over the scan
//                             and the scroll (RSS) and the peak
//   thumbnail/<fmt>/ours      MakeThumbnail: the reader decodes at reduced scale where it can
//   thumbnail/<fmt>/qimage    a plain QImage full decode, then scaled() (smooth): the anchor
//   thumbnail/jpeg/turbojpeg_1_8  TurboJPEG decoding at 1/8 scale, then scaled(): the decoder's
//                             floor (built when libturbojpeg is there)
//   thumbnail/jpeg/vipsthumbnail  one vipsthumbnail process over 50 names of the same file,
//                             per picture, wall time (libvips-tools; skipped when not installed)
// Times are milliseconds per run (CPU time of the GUI thread, where everything happens; wall
// time for vipsthumbnail). Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only
// for medians on a noisy machine.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

#include <unistd.h>

#ifdef GALLERY_BENCH_TURBOJPEG
#include <turbojpeg.h>
#endif

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "config/config.h"
#include "gallery/gallery_list.h"
#include "gallery/thumbnail_cache.h"
#include "picture_folder.h"

namespace {

constexpr int kDistinctPictures = 300;
constexpr int kNames = 10000;
constexpr int kVipsNames = 50;

bench::PictureFolder& pictures() {
    static bench::PictureFolder made;
    return made;
}

std::unique_ptr<CConfig>& config() {
    static std::unique_ptr<CConfig> instance;
    return instance;
}

QString& base() {
    static QString path;
    return path;
}

// This thread's CPU time: on a shared machine wall times mostly measure the other processes.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Resident and peak memory of the process in MB.
double statusMegabytes(const char* field) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                       .trimmed()
                       .split(' ')[0]
                       .toDouble() /
                   1024.0;
        }
    }
    return 0;
}

// Notes whether a paint of the strip found every visible item's thumbnail ready.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(CGalleryList& list) : list_(list) {
        list.viewport()->installEventFilter(this);
    }
    bool completePaint = false;

    bool allVisibleReady() const {
        const QRect area = list_.viewport()->rect();
        const QModelIndex first = list_.indexAt(QPoint(area.left() + 1, area.center().y()));
        if (!first.isValid()) {
            return list_.Count() == 0;
        }
        for (int row = first.row(); row < list_.Count(); ++row) {
            if (!list_.visualRect(list_.model()->index(row, 0)).intersects(area)) {
                break;
            }
            if (!list_.HasThumbnail(row)) {
                return false;
            }
        }
        return true;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && allVisibleReady()) {
            completePaint = true;
        }
        return false;
    }

private:
    CGalleryList& list_;
};

// Runs the event loop until the strip has painted its visible thumbnails (60 s at most).
bool waitForCompletePaint(PaintWatch& watch) {
    QElapsedTimer limit;
    limit.start();
    watch.completePaint = false;
    while (!watch.completePaint && limit.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return watch.completePaint;
}

std::unique_ptr<CGalleryList> shownStrip() {
    auto list = std::make_unique<CGalleryList>(*config(), nullptr);
    list->resize(860, 135);
    list->show();
    QCoreApplication::processEvents();
    return list;
}

void scanFirstPaint(benchmark::State& state) {
    double scanMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = shownStrip();
        PaintWatch watch(*list);
        state.ResumeTiming();
        const double scanStart = threadCpuMs();
        list->ScanFolder();
        scanMs += threadCpuMs() - scanStart;
        if (!waitForCompletePaint(watch)) {
            state.SkipWithError("the strip never painted its thumbnails");
            break;
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    // The ScanFolder call alone, the rest being layout, paint and decoding.
    state.counters["scan_ms"] = benchmark::Counter(scanMs, benchmark::Counter::kAvgIterations);
}

void scrollEndToEnd(benchmark::State& state) {
    for (auto _ : state) {
        auto list = shownStrip();
        PaintWatch watch(*list);
        const double before = statusMegabytes("VmRSS:");
        list->ScanFolder();
        waitForCompletePaint(watch);
        QScrollBar* bar = list->horizontalScrollBar();
        const int page = list->viewport()->width();
        // From the first page, already painted, one page at a time to the last.
        while (bar->value() < bar->maximum()) {
            bar->setValue(std::min(bar->value() + page, bar->maximum()));
            if (!waitForCompletePaint(watch)) {
                state.SkipWithError("a page never painted its thumbnails");
                return;
            }
        }
        state.counters["growth_MB"] = statusMegabytes("VmRSS:") - before;
        state.counters["peak_MB"] = statusMegabytes("VmHWM:");
        state.counters["items"] = list->Count();
    }
}

void thumbnailOurs(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        if (viewer::MakeThumbnail(path).isNull()) {
            state.SkipWithError("no thumbnail");
            break;
        }
    }
}

void thumbnailQImage(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        const QImage whole(path);
        const QImage thumbnail =
            whole.scaled(viewer::kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
}

#ifdef GALLERY_BENCH_TURBOJPEG
// TurboJPEG decoding at 1/8 scale (160 x 120), then the same smooth scale: the decoder's floor.
void thumbnailTurbo(benchmark::State& state, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no file");
        return;
    }
    const QByteArray bytes = file.readAll();
    tjhandle handle = tjInitDecompress();
    QImage eighth(160, 120, QImage::Format_RGB32);
    for (auto _ : state) {
        // The file is read on every run, as the reader reads it.
        QFile again(path);
        again.open(QIODevice::ReadOnly);
        const QByteArray data = again.readAll();
        if (tjDecompress2(handle, reinterpret_cast<const unsigned char*>(data.constData()),
                          static_cast<unsigned long>(data.size()), eighth.bits(), 160,
                          static_cast<int>(eighth.bytesPerLine()), 120, TJPF_BGRX, 0) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
            break;
        }
        const QImage thumbnail =
            eighth.scaled(viewer::kThumbnailSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(thumbnail.constBits());
    }
    state.counters["file_KB"] = static_cast<double>(bytes.size()) / 1024.0;
    tjDestroy(handle);
}
#endif

void thumbnailVips(benchmark::State& state) {
    const QString vips = QStandardPaths::findExecutable("vipsthumbnail");
    if (vips.isEmpty()) {
        state.SkipWithError("vipsthumbnail not found (apt-get install libvips-tools)");
        return;
    }
    QStringList arguments;
    for (int i = 0; i < kVipsNames; ++i) {
        arguments << pictures().jpeg;
    }
    arguments << "-s"
              << "105x94!"
              << "-o" << base() + "/vips_%s.jpg";
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess process;
        process.start(vips, arguments);
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            state.SkipWithError("vipsthumbnail failed");
            break;
        }
        state.SetIterationTime(clock.nsecsElapsed() / 1e9 / kVipsNames);
    }
}

// Console output as usual, then our figures beside their anchors and targets.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred ||
                (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")) {
                continue;
            }
            // Manual times are wall times; the others the GUI thread's CPU time.
            const double ms = run.run_name.time_type == "manual_time" ? run.GetAdjustedRealTime()
                                                                      : run.GetAdjustedCPUTime();
            figures_[run.run_name.function_name] = ms;
            for (const auto& [name, counter] : run.counters) {
                figures_[run.run_name.function_name + ":" + name] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        auto& out = GetOutputStream();
        out << "\nGallery (median ms unless stated)        ours   target   anchors\n";
        line(out, "scan + first paint, 10,000 JPEGs", "strip/scan_first_paint", 300, {});
        line(out, "JPEG 1280x960 thumbnail", "thumbnail/jpeg/ours", 1.5,
             {{"QImage+scaled", "thumbnail/jpeg/qimage"},
              {"TurboJPEG 1/8+scaled", "thumbnail/jpeg/turbojpeg_1_8"},
              {"vipsthumbnail", "thumbnail/jpeg/vipsthumbnail"}});
        line(out, "BMP 1280x960 thumbnail", "thumbnail/bmp/ours", 0,
             {{"QImage+scaled", "thumbnail/bmp/qimage"}});
        line(out, "memory growth after scroll, MB", "strip/scroll_end_to_end:growth_MB", 100, {});
        line(out, "peak memory, MB", "strip/scroll_end_to_end:peak_MB", 0, {});
        line(out, "scroll end to end, ms", "strip/scroll_end_to_end", 0, {});
    }

private:
    void line(std::ostream& out, const char* label, const std::string& ours, double target,
              const std::vector<std::pair<const char*, std::string>>& anchors) const {
        const auto it = figures_.find(ours);
        if (it == figures_.end()) {
            return;
        }
        char text[256];
        int used = std::snprintf(text, sizeof text, "%-38s %8.3f", label, it->second);
        used += target > 0 ? std::snprintf(text + used, sizeof text - used, " %8.1f", target)
                           : std::snprintf(text + used, sizeof text - used, " %8s", "-");
        for (const auto& [name, key] : anchors) {
            const auto anchor = figures_.find(key);
            if (anchor != figures_.end() && used < static_cast<int>(sizeof text)) {
                used += std::snprintf(text + used, sizeof text - used, "   %s %.3f", name,
                                      anchor->second);
            }
        }
        out << text << "\n";
    }

    std::map<std::string, double> figures_;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // tmpfs when there is one, so the figures are the decoder's and the scan's, not the disk's.
    const QString root = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath();
    base() = root + "/qlv-gallery-bench-" + QString::number(getpid());
    QDir().mkpath(base());
    std::fprintf(stderr, "Making %d JPEGs (%d distinct) in %s ...\n", kNames, kDistinctPictures,
                 qPrintable(base()));
    pictures() = bench::makePictureFolder(base(), kDistinctPictures, kNames);
    if (pictures().folder.isEmpty()) {
        std::fprintf(stderr, "could not make the picture folder\n");
        QDir(base()).removeRecursively();
        return 1;
    }
    config() = std::make_unique<CConfig>(base(), base() + "/documents");
    config()->WriteSettingDialogValues({}, pictures().folder, {});

    benchmark::RegisterBenchmark("strip/scan_first_paint", scanFirstPaint)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("thumbnail/jpeg/ours", [](benchmark::State& s) {
        thumbnailOurs(s, pictures().jpeg);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("thumbnail/jpeg/qimage", [](benchmark::State& s) {
        thumbnailQImage(s, pictures().jpeg);
    })->Unit(benchmark::kMillisecond);
#ifdef GALLERY_BENCH_TURBOJPEG
    benchmark::RegisterBenchmark("thumbnail/jpeg/turbojpeg_1_8", [](benchmark::State& s) {
        thumbnailTurbo(s, pictures().jpeg);
    })->Unit(benchmark::kMillisecond);
#endif
    benchmark::RegisterBenchmark("thumbnail/jpeg/vipsthumbnail", thumbnailVips)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("thumbnail/bmp/ours", [](benchmark::State& s) {
        thumbnailOurs(s, pictures().bmp);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("thumbnail/bmp/qimage", [](benchmark::State& s) {
        thumbnailQImage(s, pictures().bmp);
    })->Unit(benchmark::kMillisecond);
    // Last, so that the memory it measures starts from what the others left.
    benchmark::RegisterBenchmark("strip/scroll_end_to_end", scrollEndToEnd)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    SummaryReporter reporter(isatty(STDOUT_FILENO) != 0
                                 ? benchmark::ConsoleReporter::OO_ColorTabular
                                 : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    config().reset();
    QDir(base()).removeRecursively();
    return 0;
}
