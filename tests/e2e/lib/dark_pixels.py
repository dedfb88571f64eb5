"""dark_pixels.py PNG [TOP_FRACTION]: prints how many pixels of the image's
upper part (default: the top 60 %) are dark (every channel below 100), as
drawn text is on the dialogs' white ground. Reads the 8-bit RGB and RGBA
PNG files Qt writes, with the standard library only."""
import struct
import sys
import zlib


def pixels(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG file'
    pos, idat = 8, b''
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, color, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and color in (2, 6) and interlace == 0, 'unsupported PNG layout'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    step = 3 if color == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = prev[i], prev[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(line)
        prev = line
    return width, height, step, rows


def main():
    width, height, step, rows = pixels(sys.argv[1])
    top = float(sys.argv[2]) if len(sys.argv) > 2 else 0.6
    dark = 0
    for line in rows[:int(height * top)]:
        for x in range(width):
            r, g, b = line[x * step:x * step + 3]
            dark += r < 100 and g < 100 and b < 100
    print(dark)


if __name__ == '__main__':
    main()
