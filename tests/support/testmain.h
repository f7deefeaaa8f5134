#ifndef TESTMAIN_H
#define TESTMAIN_H

#include "tests/support/basetestmain.h"

#include <QApplication>

// The resources live in a static library, so each executable pulls them in itself.
inline void initShelvioResources()
{
    Q_INIT_RESOURCE(resources);
}

template<typename TestClass>
int shelvioTestMain(int argc, char **argv)
{
    return runShelvioTest<TestClass, QApplication>(argc, argv, initShelvioResources);
}

// For tests of widgets, dialogs and windows, with the program's resources loaded.
#define SHELVIO_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        return shelvioTestMain<TestClass>(argc, argv);                                                                 \
    }

#endif // TESTMAIN_H
