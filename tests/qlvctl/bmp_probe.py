"""Reads a 24-bit BMP file with nothing but the standard library and prints what it holds, one
"name value..." line each, for the qlvctl tests to judge: the headers as stored, the file's real
size, per-channel mean and variance, and the mean colour of each of eight equal-width columns in
the upper part of the picture (where the virtual camera films its colour bars)."""
import struct
import sys


def histogram_stats(channel):
    counts = [channel.count(value) for value in range(256)]
    total = sum(counts)
    mean = sum(value * n for value, n in enumerate(counts)) / total
    variance = sum((value - mean) ** 2 * n for value, n in enumerate(counts)) / total
    return mean, variance


def main(path):
    data = open(path, "rb").read()
    magic, declared_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    header_size, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    print("signature", magic.decode("latin-1"))
    print("file_size", len(data))
    print("declared_size", declared_size)
    print("offset", offset)
    print("header_size", header_size)
    print("width", width)
    print("height", height)
    print("planes", planes)
    print("bits", bits)
    print("compression", compression)
    if bits != 24 or compression != 0 or width <= 0 or height <= 0:
        return
    stride = (width * 3 + 3) & ~3
    print("stride", stride)
    if len(data) < offset + stride * height:
        print("truncated 1")
        return
    # Rows are stored bottom-up; the pixels of row y (0 = top) start here.
    def row_start(y):
        return offset + (height - 1 - y) * stride

    pixels = b"".join(data[row_start(y):row_start(y) + width * 3] for y in range(height))
    stats = [histogram_stats(pixels[channel::3]) for channel in (2, 1, 0)]
    print("mean", *("%.2f" % mean for mean, _ in stats))
    print("variance", *("%.2f" % variance for _, variance in stats))
    for bar in range(8):
        left = bar * width // 8 + width // 32
        right = (bar + 1) * width // 8 - width // 32
        sums = [0, 0, 0]
        count = 0
        for y in range(height * 10 // 100, height * 40 // 100):
            part = data[row_start(y) + left * 3:row_start(y) + right * 3]
            for i, channel in enumerate((2, 1, 0)):
                sums[i] += sum(part[channel::3])
            count += right - left
        print("bar%d" % bar, *("%.2f" % (s / count) for s in sums))


if __name__ == "__main__":
    main(sys.argv[1])
