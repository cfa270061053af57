"""Builds the template workbooks of the template report tests with openpyxl.

    python3 make_template.py LAYOUT OUT.xlsx

Layouts:
  fixed     a 6-row slip (block A1:E6): merged and filled heading, a text-format code cell,
            a number-format amount, a bordered last cell; a second sheet "メモ".
  fixed153  a 153-row block (A1:C153) with a value in its first and last row; a second sheet.
  extended  a 20-row page (A1:F20): merged heading, page fields in row 2, one repeated line
            B5:E5 (filled, bordered, text-format order number), a footer in row 19; a second
            sheet "注記".
"""
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

THIN = Side(style="thin")
YELLOW = PatternFill("solid", fgColor="FFFFCC00")
LINE = PatternFill("solid", fgColor="FFE0F0FF")


def fixed(wb):
    ws = wb.active
    ws.title = "伝票"
    ws.merge_cells("A1:E1")
    ws["A1"] = "売上伝票"
    ws["A1"].font = Font(bold=True, size=14)
    ws["A1"].fill = YELLOW
    ws["A1"].alignment = Alignment(horizontal="center")
    ws.row_dimensions[1].height = 24
    for row, label in ((2, "コード"), (3, "商品"), (4, "金額"), (5, "受注日")):
        ws.cell(row=row, column=1, value=label)
    ws["B2"].number_format = "@"
    ws["B4"].number_format = "#,##0"
    ws["E6"] = "印"
    ws["E6"].border = Border(bottom=THIN, top=THIN, left=THIN, right=THIN)
    ws.column_dimensions["B"].width = 20
    ws.print_area = "A1:E6"
    wb.create_sheet("メモ")["A1"] = "雛形の注記"


def fixed153(wb):
    ws = wb.active
    ws.title = "明細"
    ws["A1"] = "番号"
    ws["C153"] = "end"
    ws.print_area = "A1:C153"
    wb.create_sheet("メモ")["A1"] = "雛形の注記"


def extended(wb):
    ws = wb.active
    ws.title = "一覧"
    ws.merge_cells("A1:F1")
    ws["A1"] = "支店別受注一覧"
    ws["A1"].font = Font(bold=True)
    ws["A1"].fill = YELLOW
    ws["A2"] = "支店"
    ws["D2"] = "地区"
    for col, label in zip("BCDE", ("受注番号", "商品", "数量", "金額")):
        ws[col + "4"] = label
    for col in "BCDE":
        ws[col + "5"].fill = LINE
        ws[col + "5"].border = Border(bottom=THIN)
    ws["B5"].number_format = "@"
    ws["D5"].number_format = "#,##0"
    ws["A19"] = "以上"
    ws["F20"] = "p"
    ws.print_area = "A1:F20"
    wb.create_sheet("注記")["A1"] = "雛形の注記"


def main():
    layout, out = sys.argv[1], sys.argv[2]
    wb = openpyxl.Workbook()
    {"fixed": fixed, "fixed153": fixed153, "extended": extended}[layout](wb)
    wb.save(out)


if __name__ == "__main__":
    main()
