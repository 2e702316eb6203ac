#include "report/PageBreaks.h"

namespace {
// Heights come from millimetres times ten; a band that fills its room
// exactly still fits.
constexpr double kTolerance = 1e-6;
} // namespace

bool PageBreaks::startsPage(bool pageBegun, double used, double height, double room)
{
    return !pageBegun || (used > 0 && used + height > room + kTolerance);
}

int PageBreaks::pagesAdded(int bands, bool pageBegun, double used, double height, double room)
{
    if (bands <= 0)
        return 0;
    if (height <= 0) // every band on the one page
        return pageBegun ? 0 : 1;
    int perPage = 1;
    while ((perPage + 1) * height <= room + kTolerance)
        ++perPage;
    int fitNow = 0; // bands still fitting the current page
    while (pageBegun && used > 0 && used + (fitNow + 1) * height <= room + kTolerance && fitNow < bands)
        ++fitNow;
    const int rest = bands - fitNow;
    return (rest + perPage - 1) / perPage;
}
