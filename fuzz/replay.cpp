// Runs saved fuzz inputs and damaged workbooks through the fuzz targets
// under the ordinary build, within the limits the import promises: each
// input within 10 s and a 3 GB address space.
// Usage: fuzz_replay TARGET FILE-OR-FOLDER...  (exit 77: a path is missing)
#include "fuzz/FuzzTargets.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define WAYBILL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WAYBILL_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef WAYBILL_ADDRESS_SANITIZER
#define WAYBILL_ADDRESS_SANITIZER 0
#endif

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TARGET FILE-OR-FOLDER...\n", argv[0]);
        return 2;
    }
    const FuzzTargets::Target target = FuzzTargets::byName(argv[1]);
    if (!target) {
        std::fprintf(stderr, "unknown target %s\n", argv[1]);
        return 2;
    }
    // The address sanitizer maps its shadow memory as terabytes of address
    // space, so under it the limit would fail every start; the reading's own
    // memory budget still holds there.
#if !WAYBILL_ADDRESS_SANITIZER
    const rlim_t limit = rlim_t(3000000) * 1024;
    const rlimit as{limit, limit};
    setrlimit(RLIMIT_AS, &as);
#endif

    QStringList files;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo::exists(arg)) {
            std::printf("skipped: %s is not here\n", qPrintable(arg));
            return 77;
        }
        if (QFileInfo(arg).isDir()) {
            QDirIterator it(arg, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << arg;
        }
    }
    files.sort();
    int slow = 0;
    for (const QString& f : files) {
        QFile in(f);
        if (!in.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(f));
            return 1;
        }
        const QByteArray data = in.readAll();
        QElapsedTimer t;
        t.start();
        target(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
        const qint64 ms = t.elapsed();
        std::printf("%-60s %6lld ms\n", qPrintable(QFileInfo(f).fileName()), ms);
        if (ms > 10000) {
            std::fprintf(stderr, "%s took %lld ms\n", qPrintable(f), ms);
            ++slow;
        }
    }
    std::printf("%lld inputs replayed\n", qint64(files.size()));
    if (files.isEmpty())
        return 1;
    return slow ? 1 : 0;
}
