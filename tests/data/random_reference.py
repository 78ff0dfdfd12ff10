#!/usr/bin/env python3
# random_reference.py -- an independent model of the suite's random generator; prints reference values
#
# Written from the algorithm's description alone (not from the C++ code) so that the two can be
# compared. Output: one "name: values" line per case; random_test.cpp reads random_reference.txt.
M32 = 0xFFFFFFFF


class Generator:
    def __init__(self):
        self.w = [0] * 34
        self.p = 0
        self.q = 10

    def seed(self, s):
        s &= M32
        for i in range(34):
            s = (s * 2891336453 + 1) & M32
            self.w[i] = s
        self.p, self.q = 0, 10
        r = None
        for _ in range(31):
            r = self.advance()
        return r & M32

    def advance(self):
        rotl = lambda v, n: ((v << n) | (v >> (32 - n))) & M32
        a, b = self.w[2 * self.p], self.w[2 * self.p + 1]
        low = (rotl(b, 27) + self.w[2 * self.q + 1]) & M32
        high = (rotl(a, 19) + self.w[2 * self.q]) & M32
        self.w[2 * self.p], self.w[2 * self.p + 1] = low, high
        self.p = 16 if self.p == 0 else self.p - 1
        self.q = 16 if self.q == 0 else self.q - 1
        return (high << 32) | low

    def random(self, m):
        if m < 0:
            return -2147483648
        return (self.advance() * (m + 1)) >> 64


def main():
    g = Generator()
    for s in (0, 1, 12345, 0xFFFFFFFF):
        print("seed %u: %u" % (s, g.seed(s)))
    g.seed(12345)
    print("12345 random100: " + " ".join(str(g.random(100)) for _ in range(20)))
    g.seed(12345)
    print("12345 random0: " + " ".join(str(g.random(0)) for _ in range(5)))
    g.seed(1)
    print("1 random2147483647: " + " ".join(str(g.random(2147483647)) for _ in range(20)))
    g.seed(0xFFFFFFFF)
    print("4294967295 random1: " + " ".join(str(g.random(1)) for _ in range(40)))
    g.seed(0)
    print("0 random100: " + " ".join(str(g.random(100)) for _ in range(50)))
    g.seed(7)
    print("7 mixed: " + " ".join(str(g.random(m)) for m in (5, 1000, 0, 65535, 1, 99999999, 3, 255)))


if __name__ == "__main__":
    main()
