#ifndef BASETESTMAIN_H
#define BASETESTMAIN_H

#include "tests/support/testenvironment.h"

#include <QGuiApplication>
#include <QTest>

#include <type_traits>

// Runs a Qt Test class inside an isolated HOME/XDG tree. A test class that takes a TestEnvironment& gets
// it, to reset the tree between test functions. Application is the application object the test needs;
// prepare runs once it exists.
template<typename TestClass, typename Application>
int runShelvioTest(int argc, char **argv, void (*prepare)())
{
    TestEnvironment environment;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    Application application(argc, argv);
    prepare();
    if constexpr (std::is_constructible_v<TestClass, TestEnvironment &>) {
        TestClass test(environment);
        return QTest::qExec(&test, argc, argv);
    } else {
        TestClass test;
        return QTest::qExec(&test, argc, argv);
    }
}

// For tests of the floors without widgets: records, collections and the library database.
#define SHELVIO_BASE_TEST_MAIN(TestClass)                                                                              \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        return runShelvioTest<TestClass, QGuiApplication>(argc, argv, [] {});                                          \
    }

#endif // BASETESTMAIN_H
