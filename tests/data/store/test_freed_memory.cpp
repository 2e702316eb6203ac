#include "data/store/FreedMemory.h"

#include <QTest>

#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

// A list's key arrays, freed and made again at each search, take the pages
// the last one left instead of faulting fresh ones in.
class TestFreedMemory : public QObject
{
    Q_OBJECT
private slots:
    void reusesFreedBlocks();
};

static long faults()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_minflt;
}

void TestFreedMemory::reusesFreedBlocks()
{
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    QSKIP("kept blocks are glibc's; a sanitizer's allocator keeps its own");
#endif
    FreedMemory::keepForReuse();
    // A search's keys and the last one's, both alive for a while, then both
    // freed: more free heap at once than glibc keeps by its own measure.
    constexpr size_t kBytes = 8 << 20; // a million keys
    for (int round = 0; round < 3; ++round) {
        const long before = faults();
        char* blocks[2];
        for (char*& b : blocks) {
            b = static_cast<char*>(std::malloc(kBytes));
            QVERIFY(b);
            std::memset(b, round + 1, kBytes);
        }
        const long taken = faults() - before;
        QVERIFY(blocks[0][kBytes / 2] + blocks[1][kBytes / 3] == 2 * (round + 1));
        for (char* b : blocks)
            std::free(b);
        // 4,096 pages of 4 KB when fresh, as in the first round.
        if (round > 0)
            QVERIFY2(taken < 64, qPrintable(QStringLiteral("%1 pages faulted in").arg(taken)));
    }
}

QTEST_APPLESS_MAIN(TestFreedMemory)
#include "test_freed_memory.moc"
