#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

// Every Qt test class, registered by its file with ORDEVIK_GUI_TEST(Class).


#define ORDEVIK_GUI_TEST(Class)                                                              \
    namespace {                                                                              \
    const bool Class##Registered = [] {                                                      \
        GuiTests().push_back([] { return std::unique_ptr<QObject>(new Class); });            \
        return true;                                                                         \
    }();                                                                                     \
    }

inline std::vector<std::function<std::unique_ptr<QObject>()>>& GuiTests()
{
    static std::vector<std::function<std::unique_ptr<QObject>()>> tests;
    return tests;
}
