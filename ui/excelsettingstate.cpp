#include "ui/excelsettingstate.h"

#include "core/textfile.h"

#include <set>

namespace kelvoran {

namespace {

QString key(const char *name) {
    return QString::fromLatin1(name);
}

int shiftJisLength(const QString &text) {
    const Result<QByteArray> bytes = encodeShiftJis(text);
    return bytes ? int(bytes->size()) : int(text.toLocal8Bit().size());
}

// The edits each check box enables.
struct CheckedEdits {
    const char *flag;
    std::vector<const char *> edits;
};
const std::vector<CheckedEdits> &checkedEdits() {
    static const std::vector<CheckedEdits> pairs = {
        {"TITLEFLG", {"EditTitle", "EditTitleFastRow", "EditTitleFastCol"}},
        {"MAKEDATEFLG", {"EditDateFastRow", "EditDateFastCol"}},
        {"SHEETFLG", {"EditSheetName"}},
        {"PTTITLEFLG",
         {"EditTitlePivotTable", "EditTitleFastRowPivotTable", "EditTitleFastColPivotTable"}},
        {"PTMAKEDATEFLG", {"EditDateFastRowPivotTable", "EditDateFastColPivotTable"}},
        {"PTSHEETFLG", {"EditSheetNamePivotTable"}},
        {"PTNAMEFLG", {"EditPivotTableName"}},
        {"KOUMOKUNAME",
         {"Edit_TitleRow_Color", "Button_TitleRow_Color", "Button_TitleFont_ColorClick",
          "CheckBoxItalic", "CheckBoxBold", "CheckBoxActiveWindow"}},
    };
    return pairs;
}

// The column-name row group: shown only while neither the fixed nor the extended list report
// is on.
const std::set<QString> &columnNameGroup() {
    static const std::set<QString> names = {
        QStringLiteral("CheckBoxKoumokuName"),   QStringLiteral("Edit_TitleRow_Color"),
        QStringLiteral("Button_TitleRow_Color"), QStringLiteral("Button_TitleFont_ColorClick"),
        QStringLiteral("CheckBoxItalic"),        QStringLiteral("CheckBoxBold"),
        QStringLiteral("CheckBoxActiveWindow"),  QStringLiteral("EditTitleFormat"),
        QStringLiteral("ButtonTitleFormat"),     QStringLiteral("ButtonCancel"),
        QStringLiteral("EditTitleFast"),         QStringLiteral("EditTitleEnd"),
        QStringLiteral("ComboBoxAutoFormat"),    QStringLiteral("ComboBoxRowFormat"),
        QStringLiteral("EditRowFormatColName"),  QStringLiteral("EditRowFormat"),
        QStringLiteral("ButtonRowSyukeiSet"),    QStringLiteral("ButtonRowSyukeiClear"),
        QStringLiteral("CheckBoxPivotTable")};
    return names;
}

bool isTrue(const QString &v) {
    return v == u"TRUE";
}

// An index text that selects an item of a list of count items, else "0".
QString indexOrZero(const QString &text, int count) {
    bool ok = false;
    const int i = text.trimmed().toInt(&ok);
    return ok && i >= 0 && i < count ? QString::number(i) : QStringLiteral("0");
}

QString flagText(bool on) {
    return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Headings, widths, lists

QStringList columnGridHeadings(bool cellMode) {
    return {QStringLiteral("物理項目名"), QStringLiteral("別名"),
            cellMode ? QStringLiteral("セル") : QStringLiteral("項目幅"),
            QStringLiteral("Excel項目セッティング")};
}

QStringList pivotGridHeadings() {
    return {QStringLiteral("物理項目名"), QStringLiteral("別名"),
            QStringLiteral("フィールドの種類"), QStringLiteral("集計の方法")};
}

QString centredHeading(const QString &heading, int width) {
    const QString text = heading.trimmed();
    const int difference = width - 6 * shiftJisLength(text);
    return difference > 7 ? QString(difference / 8, u' ') + text : text;
}

QString gridRowNumber(int row) {
    return QStringLiteral("   ") + QString::number(row + 1);
}

DesignerLayout designerLayout(int xgaSvgaMode) {
    DesignerLayout l;
    if (xgaSvgaMode == 1) {
        l.top = 6, l.left = 14, l.height = 535, l.width = 784;
        l.columnWidths = {148, 158, 68, 324};
        l.pivotWidths = {154, 181, 181, 181};
    } else {
        l.top = 15, l.left = 27, l.height = 698, l.width = 980;
        l.columnWidths = {189, 231, 72, 400};
        l.pivotWidths = {189, 231, 237, 237};
    }
    return l;
}

int columnFormatWidth(int rowCount) {
    return rowCount <= 16 ? 400 : 388;
}

int pivotKindWidth(int rowCount) {
    return rowCount < 18 ? 237 : 220;
}

int designerMinimumWidth(int buttonWidth) {
    return 3 * buttonWidth + 100;
}

QStringList autoFormatItems() {
    return {QString(),
            QStringLiteral("None"),
            QStringLiteral("PTNone"),
            QStringLiteral("3DEffects1"),
            QStringLiteral("3DEffects2"),
            QStringLiteral("Accounting1"),
            QStringLiteral("Accounting2"),
            QStringLiteral("Accounting3"),
            QStringLiteral("Accounting4"),
            QStringLiteral("Classic1"),
            QStringLiteral("Classic2"),
            QStringLiteral("Classic3"),
            QStringLiteral("ClassicPivotTable"),
            QStringLiteral("Color1"),
            QStringLiteral("Color2"),
            QStringLiteral("Color3"),
            QStringLiteral("List1"),
            QStringLiteral("List2"),
            QStringLiteral("List3"),
            QStringLiteral("LocalFormat1"),
            QStringLiteral("LocalFormat2"),
            QStringLiteral("LocalFormat3"),
            QStringLiteral("LocalFormat4")};
}

QStringList rowFormatItems() {
    return {QString(), QStringLiteral("合計"), QStringLiteral("平均")};
}

QStringList pageLayoutItems() {
    return {QStringLiteral("上から下"), QStringLiteral("左から右")};
}

QStringList reportFormatItems() {
    QStringList items{QString(), QStringLiteral("None"), QStringLiteral("Pivot Talbe Classic")};
    for (int i = 1; i <= 10; ++i)
        items << QStringLiteral("Report%1").arg(i);
    for (int i = 1; i <= 10; ++i)
        items << QStringLiteral("Table%1").arg(i);
    return items;
}

QStringList pageBreakKeyItems(int rowCount) {
    QStringList items{QString()};
    for (int i = 1; i <= rowCount; ++i)
        items << QString::number(i);
    return items;
}

int pageBreakKeyIndex(const QStringList &items, const QString &previousText) {
    if (previousText.isEmpty())
        return 0;
    const qsizetype i = items.indexOf(previousText);
    return i < 0 ? 0 : int(i);
}

// ---------------------------------------------------------------------------------------------
// Keys

KeyFilter keyFilterOf(const QString &editName) {
    static const std::set<QString> digits = {QStringLiteral("EditFastRow"),
                                             QStringLiteral("EditFastCol"),
                                             QStringLiteral("EditTitleFastRow"),
                                             QStringLiteral("EditTitleFastCol"),
                                             QStringLiteral("EditDateFastRow"),
                                             QStringLiteral("EditDateFastCol"),
                                             QStringLiteral("EditFastRowPivotTable"),
                                             QStringLiteral("EditFastColPivotTable"),
                                             QStringLiteral("EditTitleFastRowPivotTable"),
                                             QStringLiteral("EditTitleFastColPivotTable"),
                                             QStringLiteral("EditDateFastRowPivotTable"),
                                             QStringLiteral("EditDateFastColPivotTable"),
                                             QStringLiteral("EditTitleFast"),
                                             QStringLiteral("EditTitleEnd"),
                                             QStringLiteral("EditKCRowCnt")};
    static const std::set<QString> cells = {QStringLiteral("EditHinaEndCell"),
                                            QStringLiteral("EditKurikaeshiFarst"),
                                            QStringLiteral("EditKurikaeshiEnd")};
    if (digits.count(editName))
        return KeyFilter::Digits;
    if (cells.count(editName))
        return KeyFilter::Cell;
    return KeyFilter::Any;
}

bool keyAccepted(KeyFilter filter, QChar character, bool backspace, bool ctrlHeld) {
    switch (filter) {
    case KeyFilter::Any:
        return true;
    case KeyFilter::Digits:
        return backspace || (character >= u'0' && character <= u'9');
    case KeyFilter::Cell:
        return ctrlHeld || backspace || (character >= u'0' && character <= u'9') ||
               (character >= u'a' && character <= u'z') || (character >= u'A' && character <= u'Z');
    }
    return false;
}

std::optional<KeyFilter> columnGridFilter(int column, bool cellMode) {
    if (column == 3)
        return cellMode ? KeyFilter::Any : KeyFilter::Digits;
    if (column == 4)
        return std::nullopt;
    return KeyFilter::Any;
}

std::optional<GridCell> wrappedArrow(bool right, GridCell current, int rowCount) {
    if (rowCount < 1)
        return std::nullopt;
    if (right && current.column == 4)
        return GridCell{current.row + 1 >= rowCount ? 0 : current.row + 1, 1};
    if (!right && current.column == 1)
        return GridCell{current.row == 0 ? rowCount - 1 : current.row - 1, 4};
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// State

ExcelSettingState::ExcelSettingState() : def(creationDefaults()) {}

ReportDefinition ExcelSettingState::creationDefaults() {
    ReportDefinition d;
    const std::pair<const char *, const char *> values[] = {{"PROCFLG", "1"},
                                                            {"DATAFASTROW", "4"},
                                                            {"DATAFASTCOL", "2"},
                                                            {"TITLEFLG", "FALSE"},
                                                            {"TITLEROW", "2"},
                                                            {"TITLECOL", "1"},
                                                            {"SHEETFLG", "FALSE"},
                                                            {"MAKEDATEFLG", "FALSE"},
                                                            {"MAKEDATEROW", "2"},
                                                            {"MAKEDATECOL", "5"},
                                                            {"KOUMOKUNAME", "TRUE"},
                                                            {"TITLEBACKCOLOR", "15"},
                                                            {"TITLEFONTCOLOR", "1"},
                                                            {"TITLEITALIC", "FALSE"},
                                                            {"TITLEBOLD", "FALSE"},
                                                            {"TITLEHOLD", "FALSE"},
                                                            {"AFORMATDATA", "0"},
                                                            {"RF", "0"},
                                                            {"PTOUT", "FALSE"},
                                                            {"KOTEIFLG", "FALSE"},
                                                            {"KOTEIHINACELL", "ap153"},
                                                            {"KCFLG", "FALSE"},
                                                            {"KCFC", "B5"},
                                                            {"KCEC", "I5"},
                                                            {"KCPC", "4"},
                                                            {"KCBKEY", "0"},
                                                            {"PTDATAFASTROW", "4"},
                                                            {"PTDATAFASTCOL", "2"},
                                                            {"PTTITLEFLG", "FALSE"},
                                                            {"PTTITLEROW", "2"},
                                                            {"PTTITLECOL", "1"},
                                                            {"PTMAKEDATEFLG", "FALSE"},
                                                            {"PTMAKEDATEROW", "2"},
                                                            {"PTMAKEDATECOL", "5"},
                                                            {"PTSHEETFLG", "FALSE"},
                                                            {"PTNAMEFLG", "FALSE"},
                                                            {"PTOUTROWSUM", "FALSE"},
                                                            {"PTOUTCOLSUM", "FALSE"},
                                                            {"PTREPDATASAVE", "FALSE"},
                                                            {"PTPAGELAYOUT", "0"},
                                                            {"PTREPLAYOUT", "0"},
                                                            {"PTAFORMATPIVOT", "0"}};
    for (const auto &[k, v] : values)
        d.setValue(key(k), QString::fromUtf8(v));
    d.columns.assign(1, ColumnSetting());
    d.pivotFields.assign(1, PivotFieldSetting());
    return d;
}

bool ExcelSettingState::cellMode() const {
    return def.flag(QStringLiteral("KOTEIFLG")) || def.flag(QStringLiteral("KCFLG"));
}

ControlView ExcelSettingState::view(const QString &name) const {
    const bool fixed = def.flag(QStringLiteral("KOTEIFLG"));
    const bool extended = def.flag(QStringLiteral("KCFLG"));
    ControlView v;
    for (const CheckedEdits &pair : checkedEdits())
        for (const char *edit : pair.edits)
            if (name == QLatin1String(edit))
                v.enabled = def.flag(key(pair.flag));
    if (columnNameGroup().count(name))
        v.visible = !fixed && !extended;
    if (name == u"CheckBoxKoumokuName")
        v.enabled = !fixed && !extended;
    else if (name == u"CheckBoxPivotTable" || name == u"CheckBoxKoteiOut")
        v.visible = v.enabled = !extended && (name == u"CheckBoxKoteiOut" || !fixed);
    else if (name == u"EditFastRow" || name == u"EditFastCol")
        v.visible = !fixed && !extended;
    else if (name == u"EditHinaEndCell")
        v.visible = v.enabled = fixed || extended;
    else if (name == u"CheckBoxKakuchoIchiran")
        v.visible = !fixed;
    else if (name == u"EditKurikaeshiFarst" || name == u"EditKurikaeshiEnd" ||
             name == u"EditKCRowCnt" || name == u"ComboBoxKaiPageSQL")
        v.visible = extended;
    else if (name == u"EditRowFormatColName") {
        const QString rf = def.value(QStringLiteral("RF"));
        v.enabled = rf == u"1" || rf == u"2";
    } else if (name == u"EditReadHinaPassWord" || name == u"Button6")
        v.enabled = !def.value(QStringLiteral("PATTERNFILE")).trimmed().isEmpty();
    return v;
}

void ExcelSettingState::fillRows(const std::vector<SelectItem> &items) {
    def.columns.clear();
    selectListHasItems = !items.empty() && !items.front().physicalName.isEmpty();
    if (selectListHasItems) {
        def.columns.reserve(items.size());
        for (const SelectItem &item : items) {
            ColumnSetting c;
            c.PhysicalName = item.physicalName;
            c.Alias = item.alias;
            def.columns.push_back(std::move(c));
        }
    } else {
        def.columns.assign(1, ColumnSetting());
    }
    currentRow = 0;
    rebuildPivot(true);
}

void ExcelSettingState::rebuildPivot(bool emptyFirst) {
    if (emptyFirst)
        def.pivotFields.clear();
    if (!selectListHasItems) {
        def.pivotFields.assign(1, PivotFieldSetting());
        return;
    }
    def.pivotFields.resize(def.columns.size());
    for (size_t k = 0; k < def.columns.size(); ++k) {
        PivotFieldSetting &p = def.pivotFields[k];
        p.PhysicalName = def.columns[k].PhysicalName;
        p.Alias = def.columns[k].Alias;
        p.Link = QString::number(k + 1);
        def.columns[k].PivotLink = p.Link;
    }
}

void ExcelSettingState::removeBlankRows() {
    def.removeBlankRows();
    currentRow = qBound(0, currentRow, int(def.columns.size()) - 1);
}

bool ExcelSettingState::addRow() {
    if (!selectListHasItems)
        return false;
    const int last = int(def.columns.size()) - 1;
    const int r = qBound(0, currentRow, last);
    if (r < last) {
        def.columns.insert(def.columns.begin() + r, ColumnSetting());
    } else {
        if (def.columns.size() == 1 && def.columns.front().PhysicalName.isEmpty())
            return false;
        def.columns.push_back(ColumnSetting());
    }
    rebuildPivot(false);
    return true;
}

void ExcelSettingState::deleteRow(int currentColumn) {
    const int r = qBound(0, currentRow, int(def.columns.size()) - 1);
    ColumnSetting &row = def.columns[size_t(r)];
    QString *cells[] = {&row.PhysicalName, &row.Alias, &row.WidthOrCell, &row.FormatText};
    if (currentColumn >= 1 && currentColumn <= 4)
        cells[currentColumn - 1]->clear();
    const int pivot = linkedPivotRow(r);
    if (pivot >= 0 && def.pivotFields.size() > 1)
        def.pivotFields.erase(def.pivotFields.begin() + pivot);
    if (def.columns.size() > 1)
        def.columns.erase(def.columns.begin() + r);
    else
        def.columns.front() = ColumnSetting();
    currentRow = qMin(r, int(def.columns.size()) - 1);
}

void ExcelSettingState::moveColumnRow(int from, int to) {
    const int n = int(def.columns.size());
    if (from < 0 || to < 0 || from >= n || to >= n || from == to)
        return;
    ColumnSetting moved = def.columns[size_t(from)];
    def.columns.erase(def.columns.begin() + from);
    def.columns.insert(def.columns.begin() + to, std::move(moved));
    currentRow = to;
}

void ExcelSettingState::movePivotRow(int from, int to) {
    const int n = int(def.pivotFields.size());
    if (from < 0 || to < 0 || from >= n || to >= n || from == to)
        return;
    PivotFieldSetting moved = def.pivotFields[size_t(from)];
    def.pivotFields.erase(def.pivotFields.begin() + from);
    def.pivotFields.insert(def.pivotFields.begin() + to, std::move(moved));
}

int ExcelSettingState::linkedPivotRow(int columnRow) const {
    if (columnRow < 0 || columnRow >= int(def.columns.size()))
        return -1;
    const QString link = def.columns[size_t(columnRow)].PivotLink;
    if (link.isEmpty())
        return -1;
    for (size_t p = 0; p < def.pivotFields.size(); ++p)
        if (def.pivotFields[p].Link == link)
            return int(p);
    return -1;
}

void ExcelSettingState::syncLinkedPivotRow(int row) {
    const int p = linkedPivotRow(row);
    if (p < 0)
        return;
    def.pivotFields[size_t(p)].PhysicalName = def.columns[size_t(row)].PhysicalName;
    def.pivotFields[size_t(p)].Alias = def.columns[size_t(row)].Alias;
}

void ExcelSettingState::emptySettingColumns() {
    for (ColumnSetting &c : def.columns) {
        c.WidthOrCell.clear();
        c.FormatText.clear();
        c.FormatCodes.clear();
        c.GroupKeys.clear();
        c.PivotLink.clear();
    }
}

void ExcelSettingState::setPivotTable(bool on) {
    def.setFlag(QStringLiteral("PTOUT"), on);
    if (on) {
        if (def.flag(QStringLiteral("KOTEIFLG"))) {
            def.setFlag(QStringLiteral("KOTEIFLG"), false);
            emptySettingColumns();
        }
        def.setFlag(QStringLiteral("KOUMOKUNAME"), true);
    }
    rebuildPivot(true);
}

void ExcelSettingState::setFixedReport(bool on) {
    const bool pivotWasOn = def.flag(QStringLiteral("PTOUT"));
    def.setFlag(QStringLiteral("KOTEIFLG"), on);
    def.setFlag(QStringLiteral("KOUMOKUNAME"), !on);
    emptySettingColumns();
    if (on) {
        def.setFlag(QStringLiteral("PTOUT"), false);
        if (pivotWasOn)
            rebuildPivot(true);
    }
}

void ExcelSettingState::setExtendedReport(bool on) {
    const bool pivotWasOn = def.flag(QStringLiteral("PTOUT"));
    def.setFlag(QStringLiteral("KCFLG"), on);
    emptySettingColumns();
    if (on) {
        def.setFlag(QStringLiteral("PTOUT"), false);
        def.setFlag(QStringLiteral("KOTEIFLG"), false);
        if (pivotWasOn)
            rebuildPivot(true);
    } else {
        def.setFlag(QStringLiteral("KOUMOKUNAME"), true);
    }
}

void ExcelSettingState::resetToInitial() {
    const std::pair<const char *, const char *> values[] = {
        {"DATAFASTCOL", "2"},     {"DATAFASTROW", "4"},
        {"TITLEFLG", "FALSE"},    {"TITLE", ""},
        {"TITLECOL", "1"},        {"TITLEROW", "2"},
        {"MAKEDATEFLG", "FALSE"}, {"MAKEDATECOL", "5"},
        {"MAKEDATEROW", "2"},     {"KOUMOKUNAME", "TRUE"},
        {"TITLEBACKCOLOR", "15"}, {"TITLEFONTCOLOR", "1"},
        {"TITLEITALIC", "FALSE"}, {"TITLEBOLD", "FALSE"},
        {"SHEETFLG", "FALSE"},    {"SHEETNAME", ""},
        {"TITLEHOLD", "FALSE"}};
    for (const auto &[k, v] : values)
        def.setValue(key(k), QString::fromUtf8(v));
    if (def.flag(QStringLiteral("PTOUT")))
        setPivotTable(false);
}

void ExcelSettingState::clearAll() {
    def.columns.assign(1, ColumnSetting());
    currentRow = 0;
    rebuildPivot(true);
}

// ---------------------------------------------------------------------------------------------
// ExcelSetting values

namespace {

// How a designer value and its ExcelSetting member correspond.
enum class Stored {
    Text,  // the same text both ways
    Flag,  // "TRUE" or "FALSE" in the store, a switch in the designer
    Index, // an item number of a list; one the list does not hold reads as "0"
};

struct StoredField {
    const char *key;
    QString ExcelSettingValues::*member;
    Stored kind;
    // A text stored only while this switch is on (empty otherwise, both ways).
    const char *onlyWith = nullptr;
    // Index: the list whose item the number selects.
    QStringList (*items)() = nullptr;
};

using V = ExcelSettingValues;

// The values that follow the plain rules; the others are handled one by one below.
const StoredField kStoredFields[] = {
    {"DATAFASTCOL", &V::dataFastCol, Stored::Text},
    {"DATAFASTROW", &V::dataFastRow, Stored::Text},
    {"TITLEFLG", &V::title, Stored::Flag},
    {"TITLE", &V::titleName, Stored::Text, "TITLEFLG"},
    {"TITLECOL", &V::titleCol, Stored::Text},
    {"TITLEROW", &V::titleRow, Stored::Text},
    {"MAKEDATEFLG", &V::makeDateFlg, Stored::Flag},
    {"MAKEDATECOL", &V::makeDateCol, Stored::Text},
    {"MAKEDATEROW", &V::makeDataRow, Stored::Text},
    {"TITLEITALIC", &V::titleItalic, Stored::Flag},
    {"TITLEBOLD", &V::titleBold, Stored::Flag},
    {"TITLEHOLD", &V::titleHold, Stored::Flag},
    {"PATTERNFILE", &V::strPatternFile, Stored::Text},
    {"KCFLG", &V::kcflg, Stored::Flag},
    {"FROWSETTING", &V::fRowSetting, Stored::Text},
    {"FROWCODE", &V::fRowCode, Stored::Text},
    {"FROWFASTCOL", &V::fRowFastCol, Stored::Text},
    {"FROWENDCOL", &V::fRowEndCol, Stored::Text},
    {"AFORMATDATA", &V::aFormatData, Stored::Index, nullptr, &autoFormatItems},
    {"RF", &V::rf, Stored::Index, nullptr, &rowFormatItems},
    {"PTOUT", &V::ptOut, Stored::Flag},
    {"PTDATAFASTCOL", &V::ptDataFastCol, Stored::Text},
    {"PTDATAFASTROW", &V::ptDataFastRow, Stored::Text},
    {"PTTITLEFLG", &V::ptTitle, Stored::Flag},
    {"PTTITLE", &V::ptTitleName, Stored::Text, "PTTITLEFLG"},
    {"PTTITLECOL", &V::ptTitleCol, Stored::Text},
    {"PTTITLEROW", &V::ptTitleRow, Stored::Text},
    {"PTSHEETFLG", &V::ptSheet, Stored::Flag},
    {"PTSHEETNAME", &V::ptSheetName, Stored::Text, "PTSHEETFLG"},
    {"PTMAKEDATEFLG", &V::ptMakeDateFlg, Stored::Flag},
    {"PTMAKEDATECOL", &V::ptMakeDateCol, Stored::Text},
    {"PTMAKEDATEROW", &V::ptMakeDataRow, Stored::Text},
    {"PTNAMEFLG", &V::ptNameFlg, Stored::Flag},
    {"PTNAME", &V::ptName, Stored::Text, "PTNAMEFLG"},
    {"PTOUTROWSUM", &V::ptOutRowSum, Stored::Flag},
    {"PTOUTCOLSUM", &V::ptOutColSum, Stored::Flag},
    {"PTREPDATASAVE", &V::ptRepDataSave, Stored::Flag},
    {"PTPAGELAYOUT", &V::ptPageLayout, Stored::Index, nullptr, &pageLayoutItems},
    {"PTREPLAYOUT", &V::ptReportFormat, Stored::Index, nullptr, &reportFormatItems},
    {"PTAFORMATPIVOT", &V::ptPivotLayout, Stored::Index, nullptr, &autoFormatItems},
    {"KCFC", &V::kcfc, Stored::Text},
    {"KCEC", &V::kcec, Stored::Text},
    {"KCPC", &V::kcpc, Stored::Text},
};

} // namespace

void ExcelSettingState::applyExcelSetting(const ExcelSettingValues &v) {
    auto set = [this](const char *k, const QString &value) { def.setValue(key(k), value); };
    // Switches first, so that a text that depends on one sees it as stored.
    for (const StoredField &f : kStoredFields)
        if (f.kind == Stored::Flag)
            def.setFlag(key(f.key), isTrue(v.*f.member));
    for (const StoredField &f : kStoredFields) {
        const QString &value = v.*f.member;
        if (f.kind == Stored::Text)
            set(f.key, !f.onlyWith || def.flag(key(f.onlyWith)) ? value : QString());
        else if (f.kind == Stored::Index)
            set(f.key, indexOrZero(value, int(f.items().size())));
    }
    def.setFlag(QStringLiteral("KOUMOKUNAME"), v.koumokuName != u"FALSE");
    bool ok = false;
    v.titleBackColor.toInt(&ok);
    if (ok)
        set("TITLEBACKCOLOR", v.titleBackColor);
    v.titleFontColor.toInt(&ok);
    if (ok)
        set("TITLEFONTCOLOR", v.titleFontColor);
    def.setFlag(QStringLiteral("SHEETFLG"), isTrue(v.sheet) || !v.sheetName.isEmpty());
    set("SHEETNAME", v.sheetName);
    def.setFlag(QStringLiteral("KOTEIFLG"), v.strKoteiFlg.toUpper() == u"TRUE");
    set("KOTEIHINACELL", v.templateEndCell());
    const bool rowTotal = def.value(QStringLiteral("RF")) != u"0";
    set("RFCOLNAME", rowTotal ? v.rfColName : QString());
    set("RFNAME", rowTotal ? v.rfName : QString());
    set("RFCODE", rowTotal ? v.rfCode : QString());
    // At most one of the pivot table, the fixed report and the extended list report is on.
    if (def.flag(QStringLiteral("KCFLG"))) {
        def.setFlag(QStringLiteral("KOTEIFLG"), false);
        def.setFlag(QStringLiteral("PTOUT"), false);
    }
    if (def.flag(QStringLiteral("PTOUT")))
        def.setFlag(QStringLiteral("KOTEIFLG"), false);
    if (def.flag(QStringLiteral("KOTEIFLG")))
        def.setFlag(QStringLiteral("KOUMOKUNAME"), false);
}

ExcelSettingValues ExcelSettingState::excelSetting(const ExcelSettingValues &base) const {
    ExcelSettingValues v = base;
    auto val = [this](const char *k) { return def.value(key(k)); };
    auto flag = [this](const char *k) { return flagText(def.flag(key(k))); };
    for (const StoredField &f : kStoredFields) {
        if (f.kind == Stored::Flag)
            v.*f.member = flag(f.key);
        else
            v.*f.member = !f.onlyWith || def.flag(key(f.onlyWith)) ? val(f.key) : QString();
    }
    v.koumokuName = flag("KOUMOKUNAME");
    v.titleBackColor = val("TITLEBACKCOLOR");
    v.titleFontColor = val("TITLEFONTCOLOR");
    v.sheet = flag("SHEETFLG");
    v.sheetName = def.flag(key("SHEETFLG")) ? val("SHEETNAME") : QString();
    v.strKoteiFlg = flag("KOTEIFLG");
    v.setTemplateEndCell(val("KOTEIHINACELL"));
    const bool rowTotal = !v.rf.isEmpty() && v.rf != u"0";
    v.rfColName = rowTotal ? val("RFCOLNAME") : QString();
    v.rfName = rowTotal ? val("RFNAME") : QString();
    v.rfCode = rowTotal ? val("RFCODE") : QString();
    return v;
}

} // namespace kelvoran
