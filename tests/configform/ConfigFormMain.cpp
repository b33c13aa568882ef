#include <UIlib.h>

#include <gtest/gtest.h>

namespace {
class ToolkitEnvironment : public ::testing::Environment {
public:
    void TearDown() override { DuiLib::CPaintManagerUI::Term(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);
}  // namespace
