#ifndef TESTMAIN_H
#define TESTMAIN_H

#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QTest>

#include <type_traits>

// The resources live in a static library, so each executable pulls them in itself.
inline void initShelvioResources()
{
    Q_INIT_RESOURCE(resources);
}

// Runs a Qt Test class inside an isolated HOME/XDG tree, with the program's resources loaded. A test class
// that takes a TestEnvironment& gets it, to reset the tree between test functions.
template<typename TestClass>
int shelvioTestMain(int argc, char **argv)
{
    TestEnvironment environment;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    initShelvioResources();
    if constexpr (std::is_constructible_v<TestClass, TestEnvironment &>) {
        TestClass test(environment);
        return QTest::qExec(&test, argc, argv);
    } else {
        TestClass test;
        return QTest::qExec(&test, argc, argv);
    }
}

#define SHELVIO_TEST_MAIN(TestClass)                                                                                   \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        return shelvioTestMain<TestClass>(argc, argv);                                                                 \
    }

#endif // TESTMAIN_H
