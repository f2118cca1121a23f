#include "store_fixture.h"
#include "store/settings.h"

using namespace rv::store;
using namespace rv::store::testing;

class SettingsTest : public StoreBoth {};

TEST_P(SettingsTest, PerScopeValuesReplaceAndSurviveQuotes)
{
    EXPECT_FALSE(readSetting(conn, "250365002", "ImportDateLayout"));
    writeSetting(conn, "250365002", "ImportDateLayout", "DD/MM/YYYY");
    writeSetting(conn, "250045001", "ImportDateLayout", "MM/DD/YYYY");
    writeSetting(conn, "", "Site's 'note'", "it's");
    EXPECT_EQ(readSetting(conn, "250365002", "ImportDateLayout"), QString("DD/MM/YYYY"));
    writeSetting(conn, "250365002", "ImportDateLayout", "YYYY/MM/DD");
    EXPECT_EQ(readSetting(conn, "250365002", "ImportDateLayout"), QString("YYYY/MM/DD"));
    EXPECT_EQ(readSetting(conn, "250045001", "ImportDateLayout"), QString("MM/DD/YYYY"));
    EXPECT_EQ(readSetting(conn, "", "Site's 'note'"), QString("it's"));
    EXPECT_EQ(raw("SELECT COUNT(*) FROM \"Settings\"").toInt(), 3);
}

RV_ON_BOTH_ENGINES(SettingsTest);
