#pragma once

// How bands stack on pages: from the top margin down, every band as high as
// the others, in whole tenths of a millimetre. A band that does not fit the
// room left on its page starts a new one; a band taller than a whole page
// gets a page of its own (cut off at the foot) rather than printing over the
// one before. room is a page's length less its margins.
class PageBreaks
{
public:
    // Whether the next band starts a page, used tenths of the current page
    // being taken (none begun yet: it does).
    static bool startsPage(bool pageBegun, double used, double height, double room);
    // Pages that bands more bands add to those begun so far.
    static int pagesAdded(int bands, bool pageBegun, double used, double height, double room);
};
