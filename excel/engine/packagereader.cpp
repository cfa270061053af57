#include "excel/engine/packagereader.h"

#include "excel/engine/formularefs.h"
#include "excel/engine/keptvalues.h"
#include "excel/engine/packagexml.h"
#include "excel/engine/rangerules.h"
#include "excel/engine/stylesreader.h"
#include "excel/engine/tablerefs.h"
#include "excel/engine/xmlcheck.h"
#include "excel/engine/xmltext.h"
#include "excel/engine/zipreader.h"

#include <pugixml.hpp>

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <unordered_map>

namespace kelvoran::xlsx {

namespace {

const char *kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
const char *kStrictOfficeDocument =
    "http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument";

Error readError(const std::string &why) {
    return Error{QStringLiteral("テンプレートのブックを読み込めません。：") +
                     QString::fromStdString(why),
                 {}};
}

std::string resolveTarget(const std::string &base, const std::string &target) {
    if (!target.empty() && target[0] == '/')
        return target.substr(1);
    std::string folder = base.substr(0, base.rfind('/') + 1);
    std::string path = folder + target;
    // Collapse "x/../".
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        const std::string seg = path.substr(start, slash - start);
        if (seg == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string &p : parts)
        out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string relsPathFor(const std::string &part) {
    const size_t slash = part.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

struct Rel {
    std::string type;
    std::string target;
    bool external = false;
};

bool toInt(const char *s, long &out) {
    if (!s || !*s)
        return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno || *end)
        return false;
    out = v;
    return true;
}

// The user's word for a sheet element the engine does not carry over.
std::string featureName(const std::string &element) {
    static const std::map<std::string, std::string> kNames = {
        {"drawing", "図形・画像・グラフ"},
        {"legacyDrawing", "コメント・フォームコントロール"},
        {"legacyDrawingHF", "ヘッダー・フッターの画像"},
        {"picture", "背景画像"},
        {"oleObjects", "OLEオブジェクト"},
        {"controls", "コントロール"},
        {"customSheetViews", "ユーザー設定のビュー"},
        {"extLst", "拡張設定（スパークライン等）"},
        {"scenarios", "シナリオ"},
        {"protectedRanges", "範囲の編集許可"},
        {"smartTags", "スマートタグ"},
        {"cellWatches", "ウォッチ"},
        {"webPublishItems", "Web発行設定"},
        {"sortState", "並べ替えの状態"},
        {"dataConsolidate", "統合の設定"},
        {"customProperties", "ユーザー設定プロパティ"},
        {"drawingHF", "ヘッダー・フッターの図形"}};
    const auto it = kNames.find(element);
    return it != kNames.end() ? it->second : "要素 " + element + " ";
}

} // namespace

class PackageReader {
public:
    explicit PackageReader(ZipReader &zip) : m_zip(zip) {}

    Result<std::unique_ptr<Workbook>> run() {
        auto book = std::make_unique<Workbook>();
        m_book = book.get();
        std::string why;
        std::map<std::string, Rel> rootRels;
        if (!readRels("_rels/.rels", rootRels, why))
            return readError(why.empty() ? "no package relationships" : why);
        std::string workbookPart;
        for (const auto &r : rootRels)
            if (r.second.type == kOfficeDocument || r.second.type == kStrictOfficeDocument)
                workbookPart = resolveTarget("", r.second.target);
        if (workbookPart.empty())
            return readError("the package has no workbook part (not a workbook)");
        if (!m_zip.contains(workbookPart))
            return readError("missing part " + workbookPart);
        std::map<std::string, Rel> wbRels;
        readRels(relsPathFor(workbookPart), wbRels, why);
        if (!why.empty())
            return readError(why);
        std::string text;
        pugi::xml_document wb;
        if (!m_zip.read(workbookPart, text))
            return readError(m_zip.error());
        if (!parseXml(text, wb, why, workbookPart))
            return readError(why);
        pugi::xml_node root = wb.document_element();
        if (std::strcmp(localName(root.name()), "workbook") != 0)
            return readError(workbookPart + " is not a workbook");

        // Styles, strings and theme first: the sheets refer to them.
        for (const auto &r : wbRels) {
            const std::string part = resolveTarget(workbookPart, r.second.target);
            const std::string type = r.second.type.substr(r.second.type.rfind('/') + 1);
            if (r.second.external)
                continue;
            if (type == "styles") {
                if (!readStyles(part, why))
                    return readError(why);
            } else if (type == "sharedStrings") {
                if (!readStrings(part, why))
                    return readError(why);
            } else if (type == "theme") {
                readTheme(part);
            } else if (type == "vbaProject" || type == "connections") {
                notice(type == "vbaProject" ? "マクロ（VBA）は引き継がれません。"
                                            : "外部データへの接続は引き継がれません。");
            }
        }
        if (pugi::xml_node pr = childNamed(root, "workbookPr"))
            book->date1904 = pr.attribute("date1904").as_bool();
        if (book->date1904)
            notice(
                "1904年日付システムのブックです。日付の値は1900年日付システムとして扱われます。");
        if (pugi::xml_node views = childNamed(root, "bookViews"))
            if (pugi::xml_node v = childNamed(views, "workbookView"))
                m_activeTab = v.attribute("activeTab").as_int();

        pugi::xml_node sheets = childNamed(root, "sheets");
        if (!sheets)
            return readError(workbookPart + " lists no sheets");
        int position = 0;
        for (pugi::xml_node s = sheets.first_child(); s; s = s.next_sibling(), ++position) {
            if (s.type() != pugi::node_element)
                continue;
            const std::string name = s.attribute("name").value();
            const std::string rid = attributeNamed(s, "id").value();
            const auto rel = wbRels.find(rid);
            if (rel == wbRels.end())
                return readError("sheet \"" + name + "\" has no part");
            const std::string type = rel->second.type.substr(rel->second.type.rfind('/') + 1);
            if (type != "worksheet") {
                notice("シート「" + name + "」はワークシートではない（" + type +
                       "）ため除外しました。");
                continue;
            }
            if (std::strcmp(s.attribute("state").value(), "") != 0 &&
                std::strcmp(s.attribute("state").value(), "visible") != 0)
                notice("シート「" + name + "」の非表示設定は引き継がれません。");
            // The copies keep the name, and a spreadsheet refuses a workbook with a name it
            // would not let anyone type.
            if (Status st = m_book->checkSheetName(name); !st)
                return readError(workbookPart + ": " + st.error().message.toStdString());
            m_sheetPositions[position] = m_book->sheetCount();
            auto ws = std::make_unique<Worksheet>(m_book, name);
            const std::string part = resolveTarget(workbookPart, rel->second.target);
            if (!readSheet(part, *ws, why))
                return readError(why);
            m_book->appendSheet(std::move(ws));
        }
        if (m_book->sheetCount() == 0)
            return readError("the workbook has no worksheet");
        if (auto it = m_sheetPositions.find(m_activeTab); it != m_sheetPositions.end())
            m_book->activeSheet = it->second;
        readNames(childNamed(root, "definedNames"));
        replaceTableReferences(*m_book, m_tables);
        for (const char *ignored : {"externalReferences", "pivotCaches", "workbookProtection"})
            if (childNamed(root, ignored))
                notice(std::string("ブックの要素 ") + ignored + " は引き継がれません。");
        return Result<std::unique_ptr<Workbook>>(std::move(book));
    }

private:
    void notice(const std::string &text) {
        for (const std::string &n : m_book->notices)
            if (n == text)
                return;
        m_book->notices.push_back(text);
    }

    // Reads a part of the package and parses it (document type declarations refused).
    bool loadPart(const std::string &part, pugi::xml_document &doc, std::string &why) {
        std::string text;
        if (!m_zip.read(part, text)) {
            why = m_zip.error();
            return false;
        }
        return parseXml(text, doc, why, part);
    }

    // The theme is copied byte for byte, so it is checked whole (comments included); a damaged
    // one is left out and the written workbook gets the default theme.
    void readTheme(const std::string &part) {
        std::string text, why;
        pugi::xml_document doc;
        if (!m_zip.read(part, text))
            why = m_zip.error();
        else if (parseXml(text, doc, why, part) && isLegalXmlText(text, why))
            m_book->themeXml = std::move(text);
        if (m_book->themeXml.empty())
            notice("テーマ（" + part + "）が壊れているため引き継がれません。（" + why + "）");
    }

    bool readRels(const std::string &part, std::map<std::string, Rel> &rels, std::string &why) {
        if (!m_zip.contains(part))
            return false;
        pugi::xml_document doc;
        if (!loadPart(part, doc, why))
            return false;
        for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling()) {
            if (std::strcmp(localName(r.name()), "Relationship") != 0)
                continue;
            Rel rel;
            rel.type = r.attribute("Type").value();
            rel.target = r.attribute("Target").value();
            rel.external = std::strcmp(r.attribute("TargetMode").value(), "External") == 0;
            rels[r.attribute("Id").value()] = rel;
        }
        return true;
    }

    bool readStrings(const std::string &part, std::string &why) {
        pugi::xml_document doc;
        if (!loadPart(part, doc, why))
            return false;
        // Rich text runs are written out as they are.
        if (!hasKnownValues(doc.document_element(), why)) {
            why = part + ": " + why;
            return false;
        }
        for (pugi::xml_node si = doc.document_element().first_child(); si; si = si.next_sibling()) {
            if (std::strcmp(localName(si.name()), "si") != 0)
                continue;
            std::string plain;
            bool rich = false;
            for (pugi::xml_node k = si.first_child(); k; k = k.next_sibling()) {
                const char *n = localName(k.name());
                if (std::strcmp(n, "t") == 0) {
                    plain += k.text().get();
                } else if (std::strcmp(n, "r") == 0) {
                    rich = true;
                    plain += childNamed(k, "t").text().get();
                }
            }
            plain = unescapeOoxml(plain);
            if (rich) {
                std::string runs;
                for (pugi::xml_node k = si.first_child(); k; k = k.next_sibling())
                    if (std::strcmp(localName(k.name()), "r") == 0)
                        runs += sanitizedXml(k);
                m_strings.push_back(m_book->strings().internRich(plain, runs));
            } else {
                m_strings.push_back(m_book->strings().intern(plain));
            }
        }
        return true;
    }

    bool readStyles(const std::string &part, std::string &why) {
        pugi::xml_document doc;
        if (!loadPart(part, doc, why))
            return false;
        if (readStylesPart(doc.document_element(), m_book->styles(), m_styles, why))
            return true;
        why = part + ": " + why;
        return false;
    }

    uint32_t style(const char *s) {
        const unsigned long i = std::strtoul(s, nullptr, 10);
        return i < m_styles.size() ? m_styles[i] : 0;
    }

    bool readSheet(const std::string &part, Worksheet &ws, std::string &why) {
        pugi::xml_document doc;
        if (!loadPart(part, doc, why))
            return false;
        pugi::xml_node root = doc.document_element();
        if (std::strcmp(localName(root.name()), "worksheet") != 0) {
            why = part + " is not a worksheet";
            return false;
        }
        static const std::set<std::string> kRaw = {
            "sheetPr",      "sheetFormatPr", "sheetProtection", "autoFilter",   "dataValidations",
            "printOptions", "pageMargins",   "pageSetup",       "headerFooter", "ignoredErrors"};
        static const std::set<std::string> kQuiet = {"dimension", "phoneticPr", "sheetCalcPr"};
        for (pugi::xml_node e = root.first_child(); e; e = e.next_sibling()) {
            if (e.type() != pugi::node_element)
                continue;
            const std::string name = localName(e.name());
            if (name == "sheetData") {
                if (!readCells(e, ws, why)) {
                    why = part + ": " + why;
                    return false;
                }
            } else if (name == "cols") {
                for (pugi::xml_node c : e.children()) {
                    const int min = c.attribute("min").as_int(), max = c.attribute("max").as_int();
                    if (min < 1 || max < min || max > kMaxColumns)
                        continue;
                    ColumnInfo info;
                    info.width = c.attribute("customWidth").as_bool() || c.attribute("width")
                                     ? c.attribute("width").as_double()
                                     : 0;
                    info.style = style(c.attribute("style").value());
                    info.hidden = c.attribute("hidden").as_bool();
                    info.bestFit = c.attribute("bestFit").as_bool();
                    info.outlineLevel = uint8_t(std::min(7, c.attribute("outlineLevel").as_int()));
                    for (int k = min; k <= max; ++k)
                        ws.columns()[k] = info;
                }
            } else if (name == "sheetViews") {
                pugi::xml_node v = childNamed(e, "sheetView");
                ws.showGridLines = v.attribute("showGridLines").as_bool(true);
                ws.zoomScale = v.attribute("zoomScale").as_int();
                if (pugi::xml_node pane = childNamed(v, "pane")) {
                    const std::string state = pane.attribute("state").value();
                    if (state == "frozen" || state == "frozenSplit") {
                        ws.frozenColumns =
                            std::clamp(pane.attribute("xSplit").as_int(), 0, kMaxColumns - 1);
                        ws.frozenRows =
                            std::clamp(pane.attribute("ySplit").as_int(), 0, kMaxRows - 1);
                    } else {
                        notice("シート「" + ws.name() + "」のウィンドウ分割は引き継がれません。");
                    }
                }
            } else if (name == "mergeCells") {
                for (pugi::xml_node m : e.children()) {
                    CellRect r;
                    if (parseRect(m.attribute("ref").value(), r))
                        ws.merges.push_back(r);
                }
            } else if (name == "tableParts") {
                readTables(part, e, ws);
            } else if (name == "rowBreaks" || name == "colBreaks") {
                auto &list = name == "rowBreaks" ? ws.rowBreaks : ws.columnBreaks;
                for (pugi::xml_node b : e.children()) {
                    const int id = b.attribute("id").as_int();
                    if (id > 0 && id < kMaxRows && list.size() < 10000)
                        list.push_back(id);
                }
            } else if ((name == "conditionalFormatting" || kRaw.count(name)) &&
                       !hasKnownValues(e, why)) {
                // Kept as text and not modelled, so not mended: left out, with a notice.
                notice("シート「" + ws.name() + "」の要素 " + name +
                       " は値が壊れているため引き継がれません。（" + why + "）");
                why.clear();
            } else if (name == "conditionalFormatting" || name == "dataValidations") {
                readRangeRules(e, ws);
            } else if (name == "hyperlinks") {
                readHyperlinks(e, part, ws);
            } else if (name == "pageSetup") {
                if (attributeNamed(e, "id"))
                    notice("シート「" + ws.name() + "」のプリンター設定は引き継がれません。");
                ws.rawXml[name] = sanitizedXml(e);
            } else if (kRaw.count(name)) {
                ws.rawXml[name] = sanitizedXml(e);
            } else if (!kQuiet.count(name)) {
                notice("シート「" + ws.name() + "」の" + featureName(name) +
                       "は引き継がれません。");
            }
        }
        if (pugi::xml_node f = childNamed(root, "sheetFormatPr"))
            ws.defaultColumnWidth = f.attribute("defaultColWidth").as_double();
        return true;
    }

    // The tables are not carried; their areas are kept so that the formulas referring to them
    // can be given plain ranges once every sheet is read.
    void readTables(const std::string &sheetPart, pugi::xml_node tableParts, const Worksheet &ws) {
        std::map<std::string, Rel> rels;
        std::string why;
        readRels(relsPathFor(sheetPart), rels, why);
        for (pugi::xml_node p : tableParts.children()) {
            if (p.type() != pugi::node_element)
                continue;
            const auto rel = rels.find(attributeNamed(p, "id").value());
            pugi::xml_document doc;
            TableArea table;
            if (rel == rels.end() || rel->second.external ||
                !loadPart(resolveTarget(sheetPart, rel->second.target), doc, why) ||
                !readTableArea(doc.document_element(), m_book->sheetCount(), table)) {
                notice("シート「" + ws.name() + "」のテーブルは引き継がれません。");
                continue;
            }
            notice("シート「" + ws.name() + "」のテーブル「" + table.name +
                   "」は引き継がれません（セルの値と数式は残り、テーブルへの参照はセル範囲に置き換"
                   "えます）。");
            m_tables.push_back(std::move(table));
        }
    }

    // Conditional formats and validations; one whose range the sheet cannot hold is left out.
    void readRangeRules(pugi::xml_node e, Worksheet &ws) {
        const bool validations = std::strcmp(localName(e.name()), "dataValidations") == 0;
        auto add = [&](pugi::xml_node element, RangeRuleKind kind) {
            RangeRule rule;
            std::string why;
            if (readRangeRule(element, kind, rule, why))
                ws.rangeRules.push_back(std::move(rule));
            else
                notice("シート「" + ws.name() + "」の" +
                       (validations ? "入力規則" : "条件付き書式") +
                       "は範囲が正しくないため引き継がれません。（" + why + "）");
        };
        if (!validations) {
            add(e, RangeRuleKind::ConditionalFormat);
            return;
        }
        ws.validationOptions.clear(); // a second list's options replace the first's
        for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) {
            const char *n = a.name();
            if (std::strchr(n, ':') || std::strcmp(n, "count") == 0 || std::strcmp(n, "xmlns") == 0)
                continue;
            ws.validationOptions += std::string(" ") + n + "=\"";
            appendEscaped(ws.validationOptions, a.value(), true);
            ws.validationOptions += '"';
        }
        for (pugi::xml_node v = e.first_child(); v; v = v.next_sibling())
            if (v.type() == pugi::node_element &&
                std::strcmp(localName(v.name()), "dataValidation") == 0)
                add(v, RangeRuleKind::Validation);
    }

    // Links to an address outside the workbook find it in the sheet's relationships; a link
    // whose address cannot be found is left out with a notice.
    void readHyperlinks(pugi::xml_node list, const std::string &part, Worksheet &ws) {
        std::map<std::string, Rel> rels;
        std::string why;
        readRels(relsPathFor(part), rels, why);
        int lost = 0;
        for (pugi::xml_node h = list.first_child(); h; h = h.next_sibling()) {
            if (std::strcmp(localName(h.name()), "hyperlink") != 0)
                continue;
            CellHyperlink link;
            const std::string rid = attributeNamed(h, "id").value();
            const auto rel = rels.find(rid);
            if (!rid.empty() && rel != rels.end() && rel->second.external)
                link.target = rel->second.target;
            link.location = h.attribute("location").value();
            link.display = h.attribute("display").value();
            link.tooltip = h.attribute("tooltip").value();
            if (!parseRect(h.attribute("ref").value(), link.rect) ||
                (link.target.empty() && link.location.empty())) {
                ++lost;
                continue;
            }
            ws.hyperlinks.push_back(std::move(link));
        }
        if (lost > 0)
            notice("シート「" + ws.name() + "」のハイパーリンクのうち" + std::to_string(lost) +
                   "件は、リンク先が読み取れないため引き継がれません。");
    }

    bool readCells(pugi::xml_node data, Worksheet &ws, std::string &why) {
        struct Shared {
            int row, column;
            std::string text;
        };
        std::unordered_map<long, Shared> shared;
        long rowNo = 0;
        for (pugi::xml_node r = data.first_child(); r; r = r.next_sibling()) {
            if (std::strcmp(localName(r.name()), "row") != 0)
                continue;
            long n = 0;
            if (toInt(r.attribute("r").value(), n)) {
                if (n <= rowNo && n >= 1) {
                    // Rows out of order are accepted; cells are placed by address.
                }
                rowNo = n;
            } else {
                ++rowNo;
            }
            if (rowNo < 1 || rowNo > kMaxRows) {
                why = "row number out of range";
                return false;
            }
            Row &row = ws.rowAt(int(rowNo));
            if (r.attribute("customHeight").as_bool() || r.attribute("ht"))
                row.height = float(std::clamp(r.attribute("ht").as_double(), 0.0, 409.5));
            if (r.attribute("customFormat").as_bool()) {
                row.customFormat = true;
                row.style = style(r.attribute("s").value());
            }
            row.hidden = r.attribute("hidden").as_bool();
            row.outlineLevel = uint8_t(std::clamp(r.attribute("outlineLevel").as_int(), 0, 7));
            int col = 0;
            for (pugi::xml_node c = r.first_child(); c; c = c.next_sibling()) {
                if (std::strcmp(localName(c.name()), "c") != 0)
                    continue;
                const char *ref = c.attribute("r").value();
                if (*ref) {
                    int rr = 0, cc = 0;
                    if (!parseCell(ref, rr, cc) || rr != rowNo) {
                        why = std::string("bad cell reference ") + ref;
                        return false;
                    }
                    col = cc;
                } else {
                    ++col;
                }
                if (col < 1 || col > kMaxColumns) {
                    why = "column out of range";
                    return false;
                }
                const int rowInt = int(rowNo);
                Cell &cell = ws.at(rowInt, col);
                cell.style = style(c.attribute("s").value());
                const std::string t = c.attribute("t").value();
                const pugi::xml_node v = childNamed(c, "v");
                const char *vt = v.text().get();
                pugi::xml_node f = childNamed(c, "f");
                if (f) {
                    Formula formula;
                    const std::string ft = f.attribute("t").value();
                    formula.text = f.text().get();
                    if (ft == "shared") {
                        const long si = f.attribute("si").as_int(-1);
                        if (!formula.text.empty()) {
                            shared[si] = {rowInt, col, formula.text};
                        } else {
                            const auto it = shared.find(si);
                            if (it == shared.end()) {
                                notice("シート「" + ws.name() +
                                       "」の共有数式の一部を値として読み込みました。");
                                f = pugi::xml_node();
                            } else {
                                formula.text =
                                    shiftFormula(it->second.text, rowInt - it->second.row,
                                                 col - it->second.column);
                            }
                        }
                    } else if (ft == "array") {
                        formula.arrayRef = f.attribute("ref").value();
                    } else if (ft == "dataTable") {
                        notice("シート「" + ws.name() +
                               "」のデータテーブルは値として読み込みました。");
                        f = pugi::xml_node();
                    }
                    if (f) {
                        if (t == "str" || t == "s" || t == "inlineStr") {
                            formula.cachedType = CellType::String;
                            formula.cachedText = unescapeOoxml(vt);
                        } else if (t == "b") {
                            formula.cachedType = CellType::Bool;
                            formula.number = std::atoi(vt) != 0;
                        } else if (t == "e") {
                            formula.cachedType = CellType::Error;
                            formula.cachedText = vt;
                        } else if (!v) {
                            formula.cachedType = CellType::Blank;
                        } else {
                            formula.number = std::strtod(vt, nullptr);
                        }
                        ws.setFormula(rowInt, col, std::move(formula));
                        continue;
                    }
                }
                if (t == "s") {
                    const unsigned long i = std::strtoul(vt, nullptr, 10);
                    if (!v || i >= m_strings.size()) {
                        why = "shared string index out of range";
                        return false;
                    }
                    cell.type = CellType::String;
                    cell.index = m_strings[i];
                } else if (t == "inlineStr") {
                    std::string plain;
                    pugi::xml_node is = childNamed(c, "is");
                    for (pugi::xml_node k = is.first_child(); k; k = k.next_sibling()) {
                        if (std::strcmp(localName(k.name()), "t") == 0)
                            plain += k.text().get();
                        else if (std::strcmp(localName(k.name()), "r") == 0)
                            plain += childNamed(k, "t").text().get();
                    }
                    ws.setString(rowInt, col, unescapeOoxml(plain));
                } else if (t == "str") {
                    ws.setString(rowInt, col, unescapeOoxml(vt));
                } else if (t == "b") {
                    ws.setBool(rowInt, col, std::atoi(vt) != 0);
                } else if (t == "e") {
                    ws.setError(rowInt, col, vt);
                } else if (t == "d") {
                    ws.setString(rowInt, col, vt);
                    notice("シート「" + ws.name() + "」の日付型セルを文字列として読み込みました。");
                } else if (v) {
                    char *end = nullptr;
                    const double d = std::strtod(vt, &end);
                    if (end == vt) {
                        why = std::string("bad number ") + vt;
                        return false;
                    }
                    cell.type = CellType::Number;
                    cell.number = d;
                }
            }
        }
        return true;
    }

    void readNames(pugi::xml_node names) {
        for (pugi::xml_node n : names.children()) {
            DefinedName d;
            d.name = n.attribute("name").value();
            d.value = n.text().get();
            d.hidden = n.attribute("hidden").as_bool();
            int sheet = -1;
            if (auto a = n.attribute("localSheetId")) {
                const auto it = m_sheetPositions.find(a.as_int());
                if (it == m_sheetPositions.end())
                    continue; // belonged to a sheet that was left out
                sheet = it->second;
            }
            if (sheet >= 0) {
                Worksheet &ws = m_book->sheet(sheet);
                if (d.name == "_xlnm.Print_Area") {
                    // Keep the areas without the sheet name: renaming the sheet keeps them right.
                    std::string area;
                    size_t start = 0;
                    while (start <= d.value.size()) {
                        size_t comma = d.value.find(',', start);
                        if (comma == std::string::npos)
                            comma = d.value.size();
                        std::string part = d.value.substr(start, comma - start);
                        const size_t bang = part.rfind('!');
                        if (bang != std::string::npos)
                            part = part.substr(bang + 1);
                        area += (area.empty() ? "" : ",") + part;
                        start = comma + 1;
                    }
                    ws.printArea = area;
                } else {
                    ws.localNames.push_back({d.name, d.value, d.hidden});
                }
            } else {
                m_book->definedNames.push_back(d);
            }
        }
    }

    ZipReader &m_zip;
    Workbook *m_book = nullptr;
    std::vector<uint32_t> m_strings;
    std::vector<uint32_t> m_styles;
    std::map<int, int> m_sheetPositions; // position in <sheets> -> worksheet index
    std::vector<TableArea> m_tables;
    int m_activeTab = 0;
};

bool isCompoundFile(const std::string &bytes) {
    static const unsigned char kMagic[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, 8) == 0;
}

Result<std::unique_ptr<Workbook>> readWorkbook(std::string bytes) {
    if (isCompoundFile(bytes))
        return readError("パスワード付きのブックか旧形式（.xls）のブックです");
    ZipReader zip;
    if (!zip.open(std::move(bytes)))
        return readError("not an .xlsx workbook: " + zip.error());
    try {
        return PackageReader(zip).run();
    } catch (const std::bad_alloc &) {
        return readError("out of memory");
    }
}

Result<std::string> readFileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return Error{QStringLiteral("ファイルを開けません。：") + QString::fromStdString(path), {}};
    const std::streamoff size = in.tellg();
    if (size < 0 || uint64_t(size) > kMaxTemplateFileSize)
        return Error{QStringLiteral("ファイルが大きすぎます。：") + QString::fromStdString(path),
                     {}};
    std::string bytes(size_t(size), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), size))
        return Error{QStringLiteral("ファイルを読み込めません。：") + QString::fromStdString(path),
                     {}};
    return bytes;
}

} // namespace kelvoran::xlsx
