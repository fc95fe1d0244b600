#pragma once

#include "TApplication.h"
#include "TBrowserHooks.h"

#include <QtTest>
#include <optional>

// Runs before the application object exists, with the test's arguments: for what must be in
// place before anything starts, or to run this executable as a helper process of its own test
// (an exit code then ends it there).
using BeforeStart = std::optional<int> (*)(int argc, char *argv[]);

// The start of every test that runs the main window or the web engine, as the program starts:
// its application object (name, icon, Qt's texts in Chinese, escaped exceptions shown in a box)
// and the browser views' process-wide set-up around the test.
template<class Test> int RunEngineTest(int argc, char *argv[], BeforeStart beforeStart = nullptr)
{
    if (beforeStart) {
        if (const std::optional<int> exitCode = beforeStart(argc, argv))
            return *exitCode;
    }
    TApplication app(argc, argv);
    TBrowserProcess browserProcess;
    Test test;
    return QTest::qExec(&test, argc, argv);
}

#define VANZU_TEST_MAIN(Test)                                                                                \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        return RunEngineTest<Test>(argc, argv);                                                              \
    }
#define VANZU_TEST_MAIN_WITH(Test, beforeStart)                                                              \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        return RunEngineTest<Test>(argc, argv, beforeStart);                                                 \
    }
