#include "AtspiSupport.h"

#include <gtest/gtest.h>

TEST(AtspiRoles, RolesMapToTheCaptureRoleNames)
{
    const std::tuple<AtspiRole, bool, bool, QString> rows[] = {
        {ATSPI_ROLE_TEXT, true, false, QStringLiteral("AXTextArea")},
        {ATSPI_ROLE_TEXT, false, false, QStringLiteral("AXTextField")},
        {ATSPI_ROLE_TERMINAL, false, false, QStringLiteral("AXTextArea")},
        {ATSPI_ROLE_ENTRY, false, false, QStringLiteral("AXTextField")},
        {ATSPI_ROLE_PASSWORD_TEXT, false, false, QStringLiteral("AXTextField")},
        {ATSPI_ROLE_DOCUMENT_WEB, false, false, QStringLiteral("AXWebArea")},
        {ATSPI_ROLE_DOCUMENT_TEXT, false, false, QStringLiteral("AXDocument")},
        {ATSPI_ROLE_DRAWING_AREA, false, false, QStringLiteral("AXLayoutArea")},
        {ATSPI_ROLE_VIEWPORT, false, false, QStringLiteral("AXScrollArea")},
        {ATSPI_ROLE_FILLER, false, false, QStringLiteral("AXGroup")},
        {ATSPI_ROLE_PARAGRAPH, false, false, QStringLiteral("AXStaticText")},
        {ATSPI_ROLE_TABLE, false, false, QStringLiteral("AXTable")},
        {ATSPI_ROLE_TABLE, false, true, QStringLiteral("AXGrid")},
        {ATSPI_ROLE_TREE_TABLE, false, false, QStringLiteral("AXOutline")},
        {ATSPI_ROLE_LIST_BOX, false, false, QStringLiteral("AXList")},
        {ATSPI_ROLE_CANVAS, false, false, QStringLiteral("AXCanvas")},
        {ATSPI_ROLE_UNKNOWN, false, false, QStringLiteral("AXUnknown")},
        {ATSPI_ROLE_PUSH_BUTTON, false, false, QStringLiteral("AXPushButton")},
    };
    for (const auto& [role, multiLine, grid, name] : rows)
        EXPECT_EQ(Atspi::roleName(role, multiLine, grid), name) << int(role);
}

TEST(AtspiRoles, EmbeddedObjectsAreBlocksByDisplayThenRole)
{
    EXPECT_TRUE(Atspi::isBlock(ATSPI_ROLE_LINK, QStringLiteral("block")));
    EXPECT_FALSE(Atspi::isBlock(ATSPI_ROLE_PARAGRAPH, QStringLiteral("inline-block")));
    EXPECT_TRUE(Atspi::isBlock(ATSPI_ROLE_PARAGRAPH, QString()));
    EXPECT_FALSE(Atspi::isBlock(ATSPI_ROLE_LINK, QString()));
}
