"""Builds branch_card_template.xlsx, the template workbook of branch_cards.kvr, with openpyxl.

    python3 make_branch_card_template.py [OUT.xlsx]

The block A1:F8 is one branch card: a merged heading, the title and creation time in row 2,
the branch code in a text-format cell (leading zeros stay), name, region, opening date and
staff count, and a bordered closing cell. The second sheet explains the layout.
"""
import sys

import openpyxl
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

THIN = Side(style="thin")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "branch_card_template.xlsx"
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


if __name__ == "__main__":
    main()
