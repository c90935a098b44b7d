"""The X screen as a PNG file: Xvfb keeps its framebuffer as an XWD image in the -fbdir folder."""
import struct
import zlib

XWD_FIELDS = 25  # CARD32 fields of the XWD header before the window name


def _header(data):
    for order in (">", "<"):
        fields = struct.unpack(order + "%dI" % XWD_FIELDS, data[: 4 * XWD_FIELDS])
        if fields[1] == 7:  # file_version
            return fields
    raise ValueError("не похоже на снимок экрана XWD")


def xwd_to_rgb(data):
    """Width, height and RGB bytes of a 24/32-bit TrueColor XWD image."""
    h = _header(data)
    header_size, width, height = h[0], h[4], h[5]
    byte_order, bits_per_pixel, bytes_per_line = h[7], h[11], h[12]
    ncolors = h[19]
    if bits_per_pixel != 32:
        raise ValueError("снимок экрана с %d битами на точку не поддерживается" % bits_per_pixel)
    pixels = data[header_size + 12 * ncolors:]
    if len(pixels) < bytes_per_line * height:
        raise ValueError("снимок экрана обрезан")
    # Masks red 0xff0000, green 0xff00, blue 0xff in the server's byte order.
    r, g, b = (2, 1, 0) if byte_order == 0 else (1, 2, 3)
    rgb = bytearray(width * height * 3)
    for y in range(height):
        row = pixels[y * bytes_per_line: y * bytes_per_line + 4 * width]
        out = y * width * 3
        rgb[out: out + 3 * width: 3] = row[r::4]
        rgb[out + 1: out + 3 * width: 3] = row[g::4]
        rgb[out + 2: out + 3 * width: 3] = row[b::4]
    return width, height, bytes(rgb)


def png(width, height, rgb):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    stride = 3 * width
    raw = b"".join(b"\0" + rgb[y * stride: (y + 1) * stride] for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def save(framebuffer, path):
    with open(framebuffer, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(png(*xwd_to_rgb(data)))
