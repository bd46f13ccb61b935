#include "store/dm_dados.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TdmDados, registers_itself_while_alive)
{
    {
        TdmDados dm(Regional::brazil());
        EXPECT_EQ(dmDados(), &dm);
        // Field sizes cut what is written into them.
        dm.tblCliente.append();
        dm.tblCliente.set_text(u"cli_end_estado", u"SAOPAULO");
        dm.tblCliente.post();
        EXPECT_EQ(dm.tblCliente.as_text(u"cli_end_estado"), u"SAOPA"_s);
        dm.tblProduto.append();
        dm.tblProduto.set_text(u"pro_control_flex", u"FLX");
        dm.tblProduto.post();
        EXPECT_EQ(dm.tblProduto.as_text(u"pro_control_flex"), u"F"_s);
        EXPECT_EQ(&dm.dsFinanc.table(), &dm.tblReceber);
    }
    EXPECT_EQ(dmDados(), nullptr);
}
