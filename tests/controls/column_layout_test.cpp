#include "controls/column_layout.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace controls::grid_layout;

namespace {

int sum(const QVector<int>& widths)
{
    return std::accumulate(widths.cbegin(), widths.cend(), 0);
}

TEST(AutoFit, WidthToShareTakesIndicatorAndLinesAway)
{
    EXPECT_EQ(widthToShare(1000, 11, 5, false, false), 1000);
    EXPECT_EQ(widthToShare(1000, 11, 5, true, false), 989);
    EXPECT_EQ(widthToShare(1000, 11, 5, false, true), 995);
    EXPECT_EQ(widthToShare(1000, 11, 5, true, true), 983); // the indicator's own line too
}

TEST(AutoFit, FiveSetWidthsFillTheWidthInProportion)
{
    const QVector<int> set{145, 124, 843, 174, 146};
    const int share = widthToShare(1463, 11, 5, true, true);
    ASSERT_EQ(share, 1446);
    const QVector<int> widths = fitWidths(set, share);
    // Each rounded to nearest, the rounding's remainder on the right-most.
    EXPECT_EQ(widths, QVector<int>({146, 125, 851, 176, 148}));
    EXPECT_EQ(sum(widths), share);

    // Any width is filled exactly, each column within a pixel of its share.
    for (int width : {300, 777, 1160, 1432, 2001}) {
        const QVector<int> fitted = fitWidths(set, width);
        EXPECT_EQ(sum(fitted), width);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(fitted[i], set[i] * double(width) / 1432, 0.5 + 1e-9) << width;
        EXPECT_NEAR(fitted[4], set[4] * double(width) / 1432, 4.0) << width;
    }
}

TEST(AutoFit, LimitsFixAColumnAndTheOthersShareWhatIsLeft)
{
    const QVector<int> fitted = fitWidths({100, 100, 100}, 600, {{}, {0, 150}, {}});
    EXPECT_EQ(fitted, QVector<int>({225, 150, 225}));
    const QVector<int> small = fitWidths({10, 100, 100}, 210, {{60, 0}, {}, {}});
    EXPECT_EQ(small, QVector<int>({60, 75, 75}));
    // A fixed right-most column leaves the remainder to the last free one.
    const QVector<int> rightFixed = fitWidths({1, 1, 1}, 100, {{}, {}, {0, 20}});
    EXPECT_EQ(rightFixed, QVector<int>({40, 40, 20}));
}

TEST(AutoFit, UserResizeRescalesAndTakesFromTheNextColumn)
{
    // Three columns of base 100 share 600 pixels: 200 each. Dragging the
    // first to 300 pixels makes its base 150 and the second's 50.
    EXPECT_EQ(rescaleBaseWidths({100, 100, 100}, 0, 300, 600), QVector<int>({150, 50, 100}));
    // Never below 0.
    EXPECT_EQ(rescaleBaseWidths({100, 100, 100}, 0, 600, 600), QVector<int>({300, 0, 100}));
    // The last column has no next one.
    EXPECT_EQ(rescaleBaseWidths({100, 100, 100}, 2, 100, 600), QVector<int>({100, 100, 50}));
}

TEST(AutoFit, ColumnLayoutSharesBaseWidthsOnlyWhileOnAndKeepsWhatWasShown)
{
    controls::ColumnLayout layout;
    QList<controls::GridColumn> columns(3);
    for (controls::GridColumn& column : columns)
        column.width = 100;
    layout.setColumns(columns);
    // Client width 611 less the indicator (11) leaves 600 to share.
    const controls::ColumnLayout::Area area{611, true, false};
    EXPECT_EQ(layout.widths(area), QVector<int>({100, 100, 100}));
    layout.resizeColumn(0, 150, area); // a set width, no sharing
    EXPECT_EQ(layout.widths(area), QVector<int>({150, 100, 100}));

    layout.setAutoFit(true, {});
    EXPECT_EQ(layout.baseWidths(), QVector<int>({150, 100, 100}));
    EXPECT_EQ(layout.widths(area), QVector<int>({257, 171, 172}));
    layout.resizeColumn(2, 300, area); // the last column has no next one to take from
    EXPECT_EQ(layout.baseWidths(), QVector<int>({150, 100, 175}));
    EXPECT_EQ(layout.column(2).width, 100);

    // Switching off keeps the widths shown until then.
    layout.setAutoFit(false, layout.widths(area));
    EXPECT_EQ(layout.widths({1000, true, false}), QVector<int>({212, 141, 247}));
}

TEST(MultiTitle, SharedUpperLevelSpansAdjacentColumns)
{
    const QString upper = QStringLiteral("Levels from 1 to 5");
    const QStringList titles{"Language", upper + "|Level ", upper + "|Reading", upper + "|Speaking",
                             upper + "|Writing"};
    EXPECT_EQ(titleDepth(titles, true), 2);
    const QList<TitleCell> cells = titleCells(titles, true);
    const QList<TitleCell> expected{
        {0, 2, 0, 0, "Language"}, {0, 1, 1, 4, upper},      {1, 1, 1, 1, "Level "},
        {1, 1, 2, 2, "Reading"},  {1, 1, 3, 3, "Speaking"}, {1, 1, 4, 4, "Writing"},
    };
    EXPECT_EQ(cells, expected);
}

TEST(MultiTitle, OnlyAdjacentColumnsWithTheSamePathShare)
{
    const QStringList titles{"A|x", "B|y", "A|z", "A|w|1", "A|w|2", "C"};
    const QList<TitleCell> cells = titleCells(titles, true);
    const QList<TitleCell> expected{
        {0, 1, 0, 0, "A"}, {0, 1, 1, 1, "B"}, {0, 1, 2, 4, "A"}, {0, 3, 5, 5, "C"},
        {1, 2, 0, 0, "x"}, {1, 2, 1, 1, "y"}, {1, 2, 2, 2, "z"}, {1, 1, 3, 4, "w"},
        {2, 1, 3, 3, "1"}, {2, 1, 4, 4, "2"},
    };
    EXPECT_EQ(cells, expected);
    // Without multi-level titles the bar is just text.
    EXPECT_EQ(titleCells({"A|x", "A|y"}, false), QList<TitleCell>({{0, 1, 0, 0, "A|x"}, {0, 1, 1, 1, "A|y"}}));
}

} // namespace
