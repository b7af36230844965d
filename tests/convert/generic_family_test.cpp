#include "convert/generic_family.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(GenericFontFamily, FacesFallBackToTheirKind) {
    // Names seen in real documents, with their subset prefixes and style words already cut.
    for (const char* mono : {"CMTT9", "SFTT1095", "Courier", "CourierNewPSMT", "FreeMono", "LMMono10-Regular",
                             "Consolas", "DejaVuSansMono"})
        EXPECT_EQ(genericFontFamily(mono), "monospace") << mono;
    for (const char* sans : {"Arial", "ArialMT", "Helvetica", "NimbusSanL", "CMSS10", "SFSX1440", "Verdana",
                             "Calibri", "CenturyGothic", "MS-Gothic", "LiberationSans", "DejaVuSans", "SimHei",
                             ".SFUI-Regular", "TradeGothicNextLTPro-Rg", "Sans Serif"})
        EXPECT_EQ(genericFontFamily(sans), "sans-serif") << sans;
    for (const char* serif : {"NimbusRomNo9L-Regu", "CMR10", "CMBX12", "CMMI8", "SFRM1095", "Times New Roman",
                              "TimesNewRomanPSMT", "Georgia", "LiberationSerif", "MS Mincho", "SimSun",
                              "AdobeSongStd-Light", "MingLiU", "CMUSerif"})
        EXPECT_EQ(genericFontFamily(serif), "serif") << serif;
    // Nothing to go by: no generic family, the browser keeps its default.
    for (const char* unknown : {"", "Butterflies", "icomoon", "F1", "Symbol"})
        EXPECT_EQ(genericFontFamily(unknown), "") << unknown;
}

}  // namespace
}  // namespace qm
