#include "tests/support/urlrecorder.h"

void UrlRecorder::open(const QUrl &url)
{
    opened.append(url);
}
