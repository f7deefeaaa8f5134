#ifndef PRODUCTINFO_H
#define PRODUCTINFO_H

#include <QLatin1StringView>

// What the program says about itself: in the about box, and to the update service.
class ProductInfo
{
public:
    // The running version, as shown to the user and as the update service is asked about it.
    static constexpr QLatin1StringView Version{"0.3 Alpha"};
    // The product's web site; the download and change-log pages lie below it.
    static constexpr QLatin1StringView WebSite{"https://www.shelvio.org"};
};

#endif // PRODUCTINFO_H
