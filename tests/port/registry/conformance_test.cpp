// The registry behaviours shared with Windows, run against the port.
#include "registry/conformance_rows.h"
#include "registry/test_support.h"
#include "test_names.h"

namespace {

class RegistryConformance : public testing::TestWithParam<registry_rows::Row> {
protected:
    registry_test::ScratchRegistry registry;
};

TEST_P(RegistryConformance, HoldsAsOnWindows)
{
    registry_test::Key base;
    ASSERT_EQ(registry_test::create_key(HKEY_CURRENT_USER, "Software\\Conformance", base), ERROR_SUCCESS);
    EXPECT_EQ(GetParam().check(base.get()), "") << GetParam().behaviour;
}

INSTANTIATE_TEST_SUITE_P(Rows, RegistryConformance, testing::ValuesIn(registry_rows::rows()),
                         test_names::by_field<&registry_rows::Row::behaviour>);

}  // namespace
