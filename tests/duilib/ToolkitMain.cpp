// Shuts the toolkit down after all tests so fonts and images are released before leak checking.
#include <UIlib.h>

#include <gtest/gtest.h>

namespace {
class ToolkitEnvironment : public ::testing::Environment {
public:
    void TearDown() override { DuiLib::CPaintManagerUI::Term(); }
};
const auto* const g_env = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);
}  // namespace
