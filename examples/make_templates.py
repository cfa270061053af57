"""Builds the template workbooks of the example template reports with openpyxl.

    python3 make_templates.py [FOLDER]

branch_card_template.xlsx (branch_cards.kvr, fixed report): the block A1:F8 is one branch card:
a merged heading, the title and creation time in row 2, the branch code in a text-format cell
(leading zeros stay), name, region, opening date and staff count, and a bordered closing cell.
The second sheet explains the layout.

branch_orders_template.xlsx (branch_orders.kvr, extended list report): the block A1:F10 is one
page: a merged heading, branch and region as page fields in row 2, title and creation time in
row 3, column headings in row 4, the line B5:F5 (filled, bordered) repeated four times, and a
closing text in row 10.
"""
import os
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

THIN = Side(style="thin")


def branch_cards(out):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "支店カード"
    ws.merge_cells("A1:F1")
    ws["A1"] = "支店カード"
    ws["A1"].font = Font(bold=True, size=14)
    ws["A1"].fill = PatternFill("solid", fgColor="FFDDEBF7")
    ws["A1"].alignment = Alignment(horizontal="center")
    ws.row_dimensions[1].height = 24
    for row, label in ((3, "支店コード"), (4, "支店名"), (5, "地区"), (6, "開設日"), (7, "人員")):
        cell = ws.cell(row=row, column=1, value=label)
        cell.font = Font(bold=True)
        ws.cell(row=row, column=2).border = Border(bottom=THIN)
    ws["B3"].number_format = "@"
    ws["B7"].number_format = "#,##0"
    ws["F8"] = "以上"
    ws["F8"].border = Border(top=THIN, bottom=THIN, left=THIN, right=THIN)
    ws.column_dimensions["A"].width = 12
    ws.column_dimensions["B"].width = 24
    ws.print_area = "A1:F8"
    notes = wb.create_sheet("説明")
    notes["A1"] = "支店カード: 1件ごとに A1:F8 の雛形が複写され、B3～B7 に値が入ります。"
    wb.save(out)


def branch_orders(out):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "受注明細"
    ws.merge_cells("A1:F1")
    ws["A1"] = "支店別受注明細"
    ws["A1"].font = Font(bold=True, size=14)
    ws["A1"].fill = PatternFill("solid", fgColor="FFDDEBF7")
    ws["A1"].alignment = Alignment(horizontal="center")
    ws["A2"] = "支店"
    ws["D2"] = "地区"
    for col, label in zip("BCDEF", ("受注日", "受注番号", "商品", "数量", "金額")):
        ws[col + "4"] = label
        ws[col + "4"].font = Font(bold=True)
        ws[col + "4"].border = Border(bottom=THIN)
        ws[col + "5"].fill = PatternFill("solid", fgColor="FFF2F2F2")
        ws[col + "5"].border = Border(bottom=THIN)
    ws["C5"].number_format = "@"
    ws["A10"] = "以上"
    for col, width in zip("ABCDEF", (8, 12, 10, 24, 8, 12)):
        ws.column_dimensions[col].width = width
    ws.print_area = "A1:F10"
    notes = wb.create_sheet("説明")
    notes["A1"] = "支店別受注明細: 1ページ A1:F10、明細行 B5:F5 を4行まで、支店が変わると改ページします。"
    wb.save(out)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    branch_cards(os.path.join(folder, "branch_card_template.xlsx"))
    branch_orders(os.path.join(folder, "branch_orders_template.xlsx"))


if __name__ == "__main__":
    main()
