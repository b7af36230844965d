"""Writes the plain original of the encryption fixtures (see make_fixtures.sh)."""
import sys
import zlib

page1 = b"BT /F1 24 Tf 72 700 Td (Encrypted hello) Tj ET\n" + b"".join(
    b"%d %d m %d %d l S\n" % (72 + i, 600 - i, 300 + i, 600 - i) for i in range(0, 120, 3))
page2 = b"BT /F1 12 Tf 72 720 Td (Second page \\(with parentheses\\)) Tj ET\n"
xmp = (b'<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?>\n'
       b'<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
       b'<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">'
       b'<dc:title><rdf:Alt><rdf:li xml:lang="x-default">Rich fixture</rdf:li></rdf:Alt></dc:title>'
       b'</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end="w"?>')
flated = zlib.compress(page1, 9)

objects = [
    b"<< /Type /Catalog /Pages 2 0 R /Outlines 7 0 R /Metadata 9 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 6 0 R >> >> /Contents 5 0 R >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 6 0 R >> >> /Contents 10 0 R >>",
    b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(flated) + flated + b"\nendstream",
    b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
    b"<< /Type /Outlines /First 8 0 R /Last 8 0 R /Count 1 >>",
    b"<< /Title (Outline \\351t\\351) /Parent 7 0 R /Dest [3 0 R /XYZ 0 792 null] >>",
    b"<< /Type /Metadata /Subtype /XML /Length %d >>\nstream\n" % len(xmp) + xmp + b"\nendstream",
    b"<< /Length %d >>\nstream\n" % len(page2) + page2 + b"\nendstream",
    b"<< /Title (Rich fixture) /Producer (write_rich.py) >>",
]
data = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
offsets = []
for i, body in enumerate(objects, 1):
    offsets.append(len(data))
    data += b"%d 0 obj\n" % i + body + b"\nendobj\n"
xref = len(data)
data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
for off in offsets:
    data += b"%010d 00000 n \n" % off
data += b"trailer\n<< /Size %d /Root 1 0 R /Info 11 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
with open(sys.argv[1], "wb") as f:
    f.write(data)
