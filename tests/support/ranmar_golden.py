#!/usr/bin/env python3
"""Golden outputs of the single-precision RANMAR generator, computed independently of the C++ code.

Every float operation is done in double precision and rounded to float32 through struct, which
gives the correctly rounded float32 result for +, - and *. Prints the values the random-number
tests compare against, as float32 bit patterns and as decimals.
"""
import struct


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def bits(x):
    return struct.unpack('<I', struct.pack('<f', x))[0]


class Ranmar:
    def __init__(self, seed):
        s = abs(seed)
        ij = s // 30082
        kl = s - 30082 * ij
        if ij > 31328:
            ij %= 31329
        i = (ij // 177) % 177 + 2
        j = ij % 177 + 2
        k = (kl // 169) % 178 + 1
        l = kl % 169
        self.u = []
        for _ in range(97):
            total, t = f32(0.0), f32(0.5)
            for _ in range(24):
                m = (((i * j) % 179) * k) % 179
                i, j, k = j, k, m
                l = (53 * l + 1) % 169
                if (l * m) % 64 >= 32:
                    total = f32(total + t)
                t = f32(t * 0.5)
            self.u.append(total)
        self.i97, self.j97 = 96, 32
        self.c = f32(362436.0 / 16777216.0)
        self.cd = f32(7654321.0 / 16777216.0)
        self.cm = f32(16777213.0 / 16777216.0)

    def next(self):
        uni = f32(self.u[self.i97] - self.u[self.j97])
        if uni < 0:
            uni = f32(uni + 1.0)
        self.u[self.i97] = uni
        self.i97 = 96 if self.i97 == 0 else self.i97 - 1
        self.j97 = 96 if self.j97 == 0 else self.j97 - 1
        self.c = f32(self.c - self.cd)
        if self.c < 0:
            self.c = f32(self.c + self.cm)
        uni = f32(uni - self.c)
        if uni < 0:
            uni = f32(uni + 1.0)
        return uni


def show(label, values):
    print(label)
    print('    ' + ', '.join('0x%08X' % bits(v) for v in values))
    print('    ' + ', '.join('%.9g' % v for v in values))


generator = Ranmar(12345678)
first = [generator.next() for _ in range(40)]
show('seed 12345678, draws 0..39', first)
for _ in range(10000 - 40):
    generator.next()
show('seed 12345678, draws 10000..10004', [generator.next() for _ in range(5)])
other = Ranmar(1802 * 30082 + 9373)
show('seed 1802 * 30082 + 9373, draws 0..4', [other.next() for _ in range(5)])

# The noise lattice: a fresh generator seeded 12345678, one draw per cell of 65^3 with x outermost.
noise = Ranmar(12345678)
lattice = {}
for x in range(65):
    for y in range(65):
        for z in range(65):
            lattice[(x, y, z)] = noise.next()
show('noise cells (0,0,0), (1,2,3), (63,63,63), (5,0,7)',
     [lattice[(0, 0, 0)], lattice[(1, 2, 3)], lattice[(63, 63, 63)], lattice[(5, 0, 7)]])
