#include "support/testsupport.h"

#include "core/dmodule.h"

TEST_F(DatabaseTest, EmptyDatabaseHasTheFixedTablesInTheirColumnOrder)
{
    EXPECT_EQ(columnsOf("CLASSES"), (QStringList{"C_ID", "C_NAME", "C_CODE", "C_LINK", "C_COEFF"}));
    EXPECT_EQ(columnsOf("FIELDS"), (QStringList{"F_ID", "F_NAME", "F_TYPE", "F_LOOKUP"}));
    EXPECT_EQ(columnsOf("GENER"), (QStringList{"G_ID"}));
    EXPECT_EQ(columnsOf("REFERS"), (QStringList{"R_ID", "R_NAME", "R_CLASS"}));
    EXPECT_EQ(columnsOf("LINKS"), (QStringList{"L_ID", "L_OBJECT", "L_REFER", "L_CLASS", "L_VALUE", "L_CAPTION"}));
    EXPECT_EQ(columnsOf("KATALOGS"), (QStringList{"K_ID", "K_NAME", "K_PATH", "K_DATA"}));
    EXPECT_EQ(columnsOf("TYPES"), (QStringList{"T_ID", "T_NAME", "T_ENG"}));
    EXPECT_EQ(columnsOf("BOOLEAN"), (QStringList{"B_ID", "B_TEXT"}));
    for (const char *table : {"CLASSES", "FIELDS", "GENER", "REFERS", "LINKS", "KATALOGS"})
        EXPECT_EQ(count(QStringLiteral("SELECT * FROM %1").arg(table)), 0) << table;
}
