#!/usr/bin/env python3
"""Makes examples/sample.kx, the small list that scripts/run opens.

Usage: python3 examples/make_sample.py [OUT]   (default: examples/sample.kx next to this script)

The list is written record by record (600 bytes each, names in Windows-1251) and packed with
Python's zipfile, so the sample is also a check that lists from other writers open. The output is
the same bytes on every run (fixed times, fixed archive date).
"""
import os
import struct
import sys
import zipfile


def ext80(n):
    """An unsigned whole number as an 80-bit x87 extended float (10 bytes, little-endian)."""
    if n == 0:
        return bytes(10)
    lead = n.bit_length() - 1
    significand = n << (63 - lead)
    return struct.pack('<QH', significand, 16383 + lead)


def rec(name, kind, children=(), size=0, attrs=0, created='12.03.2024 09:15:42',
        changed='02.11.2025 18:04:10', comment='', mark=0, crossed=0, mark_count=0):
    return dict(name=name, kind=kind, children=list(children), size=size, attrs=attrs,
                created=created, changed=changed, comment=comment, mark=mark, crossed=crossed,
                mark_count=mark_count)


def text(s, size):
    b = s.encode('cp1251')
    assert len(b) < size, s
    return b + bytes(size - len(b))


def records(node, depth, out):
    r = (text(node['name'], 256) + text(node['comment'], 256) + text(node['created'], 28) +
         text(node['changed'], 28) + node['kind'].encode() + bytes([node['attrs']]) + bytes(6) +
         ext80(node['size']) + bytes([node['crossed'], node['mark']]) +
         struct.pack('<iii', node['mark_count'], depth, len(node['children']) - 1))
    assert len(r) == 600
    out.append(r)
    for c in node['children']:
        records(c, depth + 1, out)


A, R, H, E = 0x10, 0x01, 0x02, 0x80  # archive, read-only, hidden, damaged

tree = rec('D:\\Архив', 'D', [
    rec('Документы', 'D', [
        rec('Договоры', 'D', [
            rec('2024', 'D', [
                rec('Договор поставки №17.pdf', 'F', size=248_731, attrs=A, mark=1),
                rec('Приложение 1.docx', 'F', size=51_200, attrs=A, mark=1),
            ], mark=1, mark_count=2),
            rec('Старые', 'D', []),
        ], mark_count=3),
        rec('Отчёт за квартал.xlsx', 'F', size=1_536, attrs=A,
            comment='Нужна последняя версия', mark=1),
        rec('Письмо.txt', 'F', size=512, attrs=A | R),
        rec('broken-scan.tif', 'F', size=3_584_000, attrs=A | E, crossed=1,
            comment='Файл повреждён при копировании'),
    ], mark_count=4),
    rec('Photos', 'D', [
        rec('Summer 2023', 'D', [
            rec('IMG_0001.jpg', 'F', size=2_560, attrs=A),
            rec('IMG_0002.jpg', 'F', size=2_621_440, attrs=A, mark=2),
            rec('IMG_0003.jpg', 'F', size=1_048_576, attrs=A | E),
            rec('Thumbs.db', 'F', size=7_168, attrs=A | H | 0x04, created='', changed=''),
        ], mark_count=1),
        rec('Empty album', 'D', []),
        rec('readme.md', 'F', size=0, attrs=A, created=''),
    ], mark_count=1, comment='Holiday photos'),
    rec('Музыка', 'D', []),
    rec('notes.txt', 'F', size=1, attrs=A, crossed=2),
    rec('setup.exe', 'F', size=734_003, attrs=A | 0x20 | 0x40, crossed=1, mark=2),
    rec('Список дел.doc', 'F', size=35_840, attrs=A, comment='Проверить до пятницы'),
])

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'sample.kx')
recs = []
records(tree, 0, recs)
inner = text('Fentaro list: sample', 256) + b''.join(recs)
info = zipfile.ZipInfo('~tmp~sample', date_time=(2025, 11, 2, 18, 4, 10))
info.compress_type = zipfile.ZIP_DEFLATED
info.create_system = 0
info.external_attr = 0x20
with zipfile.ZipFile(out, 'w') as z:
    z.writestr(info, inner, compresslevel=9)
print(f'{out}: {len(recs)} entries')
