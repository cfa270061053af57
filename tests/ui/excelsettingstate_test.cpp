#include "ui/excelsettingstate.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

std::vector<SelectItem> items(std::initializer_list<const char *> names) {
    std::vector<SelectItem> out;
    for (const char *n : names)
        out.push_back({QString::fromLatin1(n), QString::fromLatin1(n).toLower()});
    return out;
}

QStringList physicalNames(const ExcelSettingState &s) {
    QStringList names;
    for (const ColumnSetting &c : s.def.columns)
        names << c.PhysicalName;
    return names;
}

QStringList pivotNames(const ExcelSettingState &s) {
    QStringList names;
    for (const PivotFieldSetting &p : s.def.pivotFields)
        names << p.PhysicalName + u':' + p.Link + u':' + p.PivotCode;
    return names;
}

// A designer filled with three columns that carry widths, formats and pivot choices.
ExcelSettingState filledWithSettings() {
    ExcelSettingState s;
    s.fillRows(items({"A", "B", "C"}));
    for (ColumnSetting &c : s.def.columns) {
        c.WidthOrCell = QStringLiteral("12");
        c.FormatText = QStringLiteral("〔太字〕");
        c.FormatCodes = QStringLiteral("002/   /   /   /,");
        c.GroupKeys = QStringLiteral("A******,");
    }
    setPivotField(s.def.pivotFields[1], PivotFieldKind::Row, 1);
    return s;
}

TEST(ExcelSettingState, CreationDefaultsAndControlsTheyEnable) {
    const ExcelSettingState s;
    EXPECT_EQ(s.def.value(QStringLiteral("DATAFASTROW")), u"4");
    EXPECT_EQ(s.def.value(QStringLiteral("DATAFASTCOL")), u"2");
    EXPECT_EQ(s.def.value(QStringLiteral("KOTEIHINACELL")), u"ap153");
    EXPECT_EQ(s.def.value(QStringLiteral("KCFC")), u"B5");
    EXPECT_EQ(s.def.value(QStringLiteral("KCEC")), u"I5");
    EXPECT_EQ(s.def.value(QStringLiteral("KCPC")), u"4");
    EXPECT_EQ(s.def.value(QStringLiteral("TITLEBACKCOLOR")), u"15");
    EXPECT_EQ(s.def.value(QStringLiteral("TITLEFONTCOLOR")), u"1");
    EXPECT_TRUE(s.def.flag(QStringLiteral("KOUMOKUNAME")));
    EXPECT_EQ(s.def.columns.size(), 1u);
    EXPECT_EQ(s.def.pivotFields.size(), 1u);

    struct Case {
        const char *control;
        bool visible, enabled;
    };
    for (const Case &c : std::vector<Case>{{"EditTitle", true, false},
                                           {"EditDateFastCol", true, false},
                                           {"EditSheetName", true, false},
                                           {"EditPivotTableName", true, false},
                                           {"CheckBoxBold", true, true},
                                           {"EditRowFormatColName", true, false},
                                           {"EditReadHinaPassWord", true, false},
                                           {"EditHinaEndCell", false, false},
                                           {"EditKurikaeshiFarst", false, true},
                                           {"CheckBoxKakuchoIchiran", true, true},
                                           {"EditFastRow", true, true}}) {
        const ControlView v = s.view(QString::fromLatin1(c.control));
        EXPECT_EQ(v.visible, c.visible) << c.control;
        EXPECT_EQ(v.enabled, c.enabled) << c.control;
    }
}

TEST(ExcelSettingState, CheckBoxesAndListsEnableTheirControls) {
    struct Case {
        const char *key, *value, *control;
    };
    for (const Case &c : std::vector<Case>{{"TITLEFLG", "TRUE", "EditTitleFastRow"},
                                           {"MAKEDATEFLG", "TRUE", "EditDateFastRow"},
                                           {"PTTITLEFLG", "TRUE", "EditTitleFastColPivotTable"},
                                           {"PTMAKEDATEFLG", "TRUE", "EditDateFastColPivotTable"},
                                           {"PTSHEETFLG", "TRUE", "EditSheetNamePivotTable"},
                                           {"RF", "2", "EditRowFormatColName"},
                                           {"PATTERNFILE", "/t/a.xlsx", "Button6"}}) {
        ExcelSettingState s;
        EXPECT_FALSE(s.view(QString::fromLatin1(c.control)).enabled) << c.control;
        s.def.setValue(QString::fromLatin1(c.key), QString::fromLatin1(c.value));
        EXPECT_TRUE(s.view(QString::fromLatin1(c.control)).enabled) << c.control;
    }
    ExcelSettingState s;
    s.def.setFlag(QStringLiteral("KOUMOKUNAME"), false);
    for (const char *c : {"Edit_TitleRow_Color", "Button_TitleRow_Color",
                          "Button_TitleFont_ColorClick", "CheckBoxItalic", "CheckBoxActiveWindow"})
        EXPECT_FALSE(s.view(QString::fromLatin1(c)).enabled) << c;
}

TEST(ExcelSettingState, FillingRowsLinksThePivotGrid) {
    ExcelSettingState s;
    s.fillRows(items({"A", "B"}));
    EXPECT_EQ(physicalNames(s), (QStringList{"A", "B"}));
    EXPECT_EQ(pivotNames(s), (QStringList{"A:1:", "B:2:"}));
    EXPECT_EQ(s.def.columns[1].PivotLink, u"2");

    s.fillRows({});
    EXPECT_EQ(physicalNames(s), QStringList{QString()});
    EXPECT_EQ(s.def.pivotFields.size(), 1u);
    EXPECT_FALSE(s.addRow()) << "no select list: nothing is added";
}

TEST(ExcelSettingState, AddRowInsertsAboveOrAppendsAtTheEnd) {
    ExcelSettingState s;
    s.fillRows(items({"A", "B", "C"}));
    setPivotField(s.def.pivotFields[2], PivotFieldKind::Data, 1);
    s.currentRow = 1;
    ASSERT_TRUE(s.addRow());
    EXPECT_EQ(physicalNames(s), (QStringList{"A", "", "B", "C"}));
    // The pivot choice stays at its row position; names and links follow the column rows.
    EXPECT_EQ(pivotNames(s), (QStringList{"A:1:", ":2:", "B:3:PF3/PS1/   /   /,", "C:4:"}));

    s.currentRow = 3;
    ASSERT_TRUE(s.addRow());
    EXPECT_EQ(physicalNames(s), (QStringList{"A", "", "B", "C", ""}));

    // The blank rows go when the edit menu opens.
    s.removeBlankRows();
    EXPECT_EQ(physicalNames(s), (QStringList{"A", "B", "C"}));
}

TEST(ExcelSettingState, DeleteRowDropsItsLinkedPivotRow) {
    ExcelSettingState s = filledWithSettings();
    s.currentRow = 1;
    s.deleteRow(1);
    EXPECT_EQ(physicalNames(s), (QStringList{"A", "C"}));
    EXPECT_EQ(pivotNames(s), (QStringList{"A:1:", "C:3:"}));
    EXPECT_EQ(s.linkedPivotRow(1), 1) << "links stay intact after the move";

    ExcelSettingState single;
    single.fillRows(items({"A"}));
    single.deleteRow(2);
    EXPECT_EQ(physicalNames(single), QStringList{QString()});
    EXPECT_EQ(single.def.pivotFields.size(), 1u);
}

TEST(ExcelSettingState, DraggedRowsCarryAllTheirColumns) {
    ExcelSettingState s = filledWithSettings();
    s.def.columns[0].WidthOrCell = QStringLiteral("30");
    s.moveColumnRow(0, 2);
    EXPECT_EQ(physicalNames(s), (QStringList{"B", "C", "A"}));
    EXPECT_EQ(s.def.columns[2].WidthOrCell, u"30");
    EXPECT_EQ(s.linkedPivotRow(2), 0);
    s.movePivotRow(1, 0);
    EXPECT_EQ(pivotNames(s).first(), u"B:2:PF1/PS1/   /   /,");
    EXPECT_EQ(s.linkedPivotRow(0), 0) << "column B still finds its pivot row";

    s.def.columns[0].PhysicalName = QStringLiteral("B2");
    s.syncLinkedPivotRow(0);
    EXPECT_EQ(s.def.pivotFields[0].PhysicalName, u"B2");
}

TEST(ExcelSettingState, FixedReportOnAndOffEmptiesTheSettingColumns) {
    ExcelSettingState s = filledWithSettings();
    s.setPivotTable(true);
    s.setFixedReport(true);
    EXPECT_FALSE(s.def.flag(QStringLiteral("PTOUT")));
    EXPECT_FALSE(s.def.flag(QStringLiteral("KOUMOKUNAME")));
    EXPECT_TRUE(s.cellMode());
    EXPECT_TRUE(s.view(QStringLiteral("EditHinaEndCell")).enabled);
    EXPECT_FALSE(s.view(QStringLiteral("EditFastRow")).visible);
    EXPECT_FALSE(s.view(QStringLiteral("CheckBoxKakuchoIchiran")).visible);
    EXPECT_FALSE(s.view(QStringLiteral("ComboBoxAutoFormat")).visible);
    EXPECT_EQ(columnGridHeadings(s.cellMode())[2], u"セル");
    s.def.columns[0].WidthOrCell = QStringLiteral("C5");
    s.setFixedReport(false);
    EXPECT_TRUE(s.def.flag(QStringLiteral("KOUMOKUNAME")));
    EXPECT_EQ(columnGridHeadings(s.cellMode())[2], u"項目幅");
    for (const ColumnSetting &c : s.def.columns) {
        EXPECT_TRUE(c.WidthOrCell.isEmpty() && c.FormatText.isEmpty() && c.FormatCodes.isEmpty() &&
                    c.GroupKeys.isEmpty() && c.PivotLink.isEmpty())
            << qPrintable(c.PhysicalName);
        EXPECT_FALSE(c.PhysicalName.isEmpty());
    }
}

TEST(ExcelSettingState, ExtendedReportHidesPivotAndFixedSwitches) {
    ExcelSettingState s = filledWithSettings();
    s.setFixedReport(true);
    s.setExtendedReport(true);
    EXPECT_FALSE(s.def.flag(QStringLiteral("KOTEIFLG")));
    EXPECT_FALSE(s.def.flag(QStringLiteral("PTOUT")));
    for (const char *c : {"CheckBoxPivotTable", "CheckBoxKoteiOut"}) {
        EXPECT_FALSE(s.view(QString::fromLatin1(c)).visible) << c;
        EXPECT_FALSE(s.view(QString::fromLatin1(c)).enabled) << c;
    }
    for (const char *c :
         {"EditKurikaeshiFarst", "EditKurikaeshiEnd", "EditKCRowCnt", "ComboBoxKaiPageSQL"})
        EXPECT_TRUE(s.view(QString::fromLatin1(c)).visible) << c;
    s.setExtendedReport(false);
    EXPECT_TRUE(s.view(QStringLiteral("CheckBoxPivotTable")).visible);
    EXPECT_TRUE(s.view(QStringLiteral("CheckBoxKakuchoIchiran")).visible);
    EXPECT_FALSE(s.view(QStringLiteral("EditKCRowCnt")).visible);
}

TEST(ExcelSettingState, PivotSwitchEmptiesAndRebuildsThePivotGrid) {
    ExcelSettingState s = filledWithSettings();
    s.def.setFlag(QStringLiteral("KOTEIFLG"), true);
    s.def.setFlag(QStringLiteral("KOUMOKUNAME"), false);
    s.setPivotTable(true);
    EXPECT_FALSE(s.def.flag(QStringLiteral("KOTEIFLG")));
    EXPECT_TRUE(s.def.flag(QStringLiteral("KOUMOKUNAME")));
    EXPECT_TRUE(s.pivotPageShown());
    EXPECT_EQ(pivotNames(s), (QStringList{"A:1:", "B:2:", "C:3:"}));
    EXPECT_TRUE(s.def.columns[0].WidthOrCell.isEmpty()) << "the fixed report's cells went";
}

TEST(ExcelSettingState, InitialValuesLeaveGridsAndReportsAlone) {
    ExcelSettingState s = filledWithSettings();
    s.setExtendedReport(true);
    s.def.columns[0].WidthOrCell = QStringLiteral("B7");
    s.def.setValue(QStringLiteral("KCFC"), QStringLiteral("C9"));
    s.def.setFlag(QStringLiteral("TITLEFLG"), true);
    s.def.setValue(QStringLiteral("TITLE"), QStringLiteral("売上"));
    s.def.setValue(QStringLiteral("DATAFASTROW"), QStringLiteral("9"));
    s.def.setValue(QStringLiteral("TITLEBACKCOLOR"), QStringLiteral("6"));
    s.def.setFlag(QStringLiteral("SHEETFLG"), true);
    s.def.setValue(QStringLiteral("SHEETNAME"), QStringLiteral("S"));
    s.def.outputReadPassword = QStringLiteral("pw");
    const std::vector<ColumnSetting> columns = s.def.columns;
    s.resetToInitial();
    EXPECT_EQ(s.def.columns, columns);
    EXPECT_TRUE(s.def.flag(QStringLiteral("KCFLG")));
    EXPECT_EQ(s.def.value(QStringLiteral("KCFC")), u"C9");
    EXPECT_EQ(s.def.outputReadPassword, u"pw");
    EXPECT_FALSE(s.def.flag(QStringLiteral("TITLEFLG")));
    EXPECT_TRUE(s.def.value(QStringLiteral("TITLE")).isEmpty());
    EXPECT_EQ(s.def.value(QStringLiteral("DATAFASTROW")), u"4");
    EXPECT_EQ(s.def.value(QStringLiteral("TITLEBACKCOLOR")), u"15");
    EXPECT_FALSE(s.def.flag(QStringLiteral("SHEETFLG")));
    EXPECT_TRUE(s.def.value(QStringLiteral("SHEETNAME")).isEmpty());

    s.clearAll();
    EXPECT_EQ(physicalNames(s), QStringList{QString()});
    EXPECT_EQ(s.def.pivotFields.size(), 1u);
}

TEST(ExcelSettingState, KeyFiltersOfEditsAndGridColumns) {
    struct Case {
        const char *edit;
        QChar key;
        bool backspace, ctrl, accepted;
    };
    for (const Case &c : std::vector<Case>{{"EditFastRow", u'7', false, false, true},
                                           {"EditFastRow", u'a', false, false, false},
                                           {"EditKCRowCnt", u'-', false, false, false},
                                           {"EditTitleEnd", QChar(), true, false, true},
                                           {"EditHinaEndCell", u'#', false, false, false},
                                           {"EditHinaEndCell", u'p', false, false, true},
                                           {"EditHinaEndCell", u'Z', false, false, true},
                                           {"EditHinaEndCell", u'#', false, true, true},
                                           {"EditKurikaeshiEnd", u'あ', false, false, false},
                                           {"EditTitle", u'#', false, false, true}}) {
        EXPECT_EQ(keyAccepted(keyFilterOf(QString::fromLatin1(c.edit)), c.key, c.backspace, c.ctrl),
                  c.accepted)
            << c.edit << " " << qPrintable(QString(c.key));
    }
    EXPECT_EQ(columnGridFilter(3, false), KeyFilter::Digits);
    EXPECT_EQ(columnGridFilter(3, true), KeyFilter::Any);
    EXPECT_EQ(columnGridFilter(1, false), KeyFilter::Any);
    EXPECT_FALSE(columnGridFilter(4, false).has_value());
}

TEST(ExcelSettingState, ArrowsWrapAroundTheGrid) {
    struct Case {
        const char *name;
        bool right;
        GridCell from;
        std::optional<GridCell> to;
    };
    for (const Case &c :
         std::vector<Case>{{"RightInColumn4GoesToNextRow", true, {0, 4}, GridCell{1, 1}},
                           {"RightInLastRowGoesToFirst", true, {2, 4}, GridCell{0, 1}},
                           {"LeftInColumn1GoesToRowAbove", false, {2, 1}, GridCell{1, 4}},
                           {"LeftInFirstRowGoesToLast", false, {0, 1}, GridCell{2, 4}},
                           {"RightInsideTheRowIsLeftToTheGrid", true, {1, 2}, std::nullopt}}) {
        EXPECT_EQ(wrappedArrow(c.right, c.from, 3), c.to) << c.name;
    }
}

TEST(ExcelSettingState, HeadingsAreCentredByTheirByteWidth) {
    // "別名" is 4 Shift_JIS bytes: 24 pixels.
    EXPECT_EQ(centredHeading(QStringLiteral("別名"), 231),
              QString(25, u' ') + QStringLiteral("別名"));
    EXPECT_EQ(centredHeading(QStringLiteral("別名"), 31), u"別名") << "difference 7 is not enough";
    EXPECT_EQ(centredHeading(QStringLiteral("別名"), 32), u" 別名");
    EXPECT_EQ(centredHeading(QStringLiteral("  セル"), 10), u"セル");
    EXPECT_EQ(gridRowNumber(0), u"   1");
}

TEST(ExcelSettingState, LayoutModesAndListWidths) {
    EXPECT_EQ(designerLayout(0).columnWidths, (std::array<int, 4>{189, 231, 72, 400}));
    EXPECT_EQ(designerLayout(1).columnWidths, (std::array<int, 4>{148, 158, 68, 324}));
    EXPECT_EQ(designerLayout(1).pivotWidths, (std::array<int, 4>{154, 181, 181, 181}));
    EXPECT_EQ(designerLayout(1).width, 784);
    EXPECT_EQ(columnFormatWidth(16), 400);
    EXPECT_EQ(columnFormatWidth(17), 388);
    EXPECT_EQ(pivotKindWidth(17), 237);
    EXPECT_EQ(pivotKindWidth(18), 220);
    EXPECT_EQ(autoFormatItems().size(), 23);
    EXPECT_EQ(reportFormatItems().size(), 23);
    EXPECT_EQ(reportFormatItems().last(), u"Table10");
    const QStringList keys = pageBreakKeyItems(3);
    EXPECT_EQ(keys, (QStringList{"", "1", "2", "3"}));
    EXPECT_EQ(pageBreakKeyIndex(keys, QStringLiteral("3")), 3);
    EXPECT_EQ(pageBreakKeyIndex(keys, QStringLiteral("5")), 0) << "a number past the rows";
}

TEST(ExcelSettingState, ExcelSettingValuesRoundTrip) {
    ExcelSettingValues stored = ExcelSettingValues::firstRunDefaults();
    stored.title = QStringLiteral("TRUE");
    stored.titleName = QStringLiteral("月報");
    stored.ptDataFastCol = QStringLiteral("7");
    stored.ptDataFastRow = QStringLiteral("3");
    stored.strKoteiFlg = QStringLiteral("true");
    stored.strKoteiHinaCell = QStringLiteral("ap153");
    stored.ptPageLayout = QStringLiteral("x");
    stored.gpSumColor = 6;
    ExcelSettingState s;
    s.applyExcelSetting(stored);
    EXPECT_EQ(s.def.value(QStringLiteral("TITLE")), u"月報");
    EXPECT_TRUE(s.def.flag(QStringLiteral("KOTEIFLG"))) << "compared without case";
    EXPECT_EQ(s.def.value(QStringLiteral("KOTEIHINACELL")), u"ap153");
    EXPECT_EQ(s.def.value(QStringLiteral("PTPAGELAYOUT")), u"0") << "unreadable index";
    EXPECT_EQ(s.def.value(QStringLiteral("PTDATAFASTCOL")), u"7");

    const ExcelSettingValues back = s.excelSetting(stored);
    EXPECT_EQ(back.strKoteiFlg, u"TRUE");
    EXPECT_EQ(back.strKoteiHinaCell, u"ap153");
    EXPECT_EQ(back.ptDataFastCol, u"7");
    EXPECT_EQ(back.ptDataFastRow, u"3");
    EXPECT_EQ(back.titleName, u"月報");
    EXPECT_EQ(back.gpSumColor, 6) << "values the designer does not hold are kept";

    // A switched-off option's text is written empty, and so is the end cell without either
    // template report.
    s.def.setFlag(QStringLiteral("TITLEFLG"), false);
    s.setFixedReport(false);
    const ExcelSettingValues off = s.excelSetting(stored);
    EXPECT_TRUE(off.titleName.isEmpty());
    EXPECT_TRUE(off.strKoteiHinaCell.isEmpty());

    ExcelSettingValues missing;
    ExcelSettingState fromMissing;
    fromMissing.applyExcelSetting(missing);
    EXPECT_TRUE(fromMissing.def.flag(QStringLiteral("KOUMOKUNAME"))) << "on unless FALSE";
    EXPECT_EQ(fromMissing.def.value(QStringLiteral("TITLEBACKCOLOR")), u"15");
    EXPECT_EQ(fromMissing.def.value(QStringLiteral("AFORMATDATA")), u"0");
}

} // namespace
