"""Dumps the first sheet of an .xls workbook as JSON, as an independent reader (xlrd) sees it."""
import json
import sys

import xlrd


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    rows = []
    for r in range(sheet.nrows):
        row = []
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            entry = {"type": cell.ctype}
            if cell.ctype == xlrd.XL_CELL_TEXT:
                entry["text"] = cell.value
            elif cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                entry["number"] = cell.value
            if cell.ctype == xlrd.XL_CELL_DATE:
                entry["date"] = list(xlrd.xldate_as_tuple(cell.value, book.datemode)[:3])
            if cell.xf_index is not None:
                xf = book.xf_list[cell.xf_index]
                entry["format"] = book.format_map[xf.format_key].format_str
            row.append(entry)
        rows.append(row)
    widths = {str(c): info.width for c, info in sheet.colinfo_map.items()}
    print(json.dumps({"sheets": book.nsheets, "name": sheet.name, "nrows": sheet.nrows,
                      "ncols": sheet.ncols, "rows": rows, "widths": widths}))


if __name__ == "__main__":
    main(sys.argv[1])
