#!/usr/bin/env python3
# bench/voice_joins.py BUILD_DIR
# Envelope at the end of every shortened (unstressed, cut) segment of DIFONES3,
# as the player plays it with CORTEFON3=400, SOBRAFON3=700: before (zero
# crossing only) and after (zero crossing + 3 ms fade).
import struct, math, sys
base = sys.argv[1] + '/drives/c/kelmar/som/difones/DIFONES3'
ind = open(base + '.IND', 'rb').read(); dat = open(base + '.DIF', 'rb').read()
def zc(x, n):
    i = min(n, len(x) - 1)
    while i >= 1 and n - i < 220:
        a, b = x[i-1] - 128, x[i] - 128
        if a == 0 or (a < 0) != (b < 0): return i
        i -= 1
    return n
def fade(y):
    m = min(33, len(y) // 2); y = list(y)
    for i in range(m):
        y[-1-i] = 128 + int((y[-1-i] - 128) * i / m)
    return y
rows = {'before': [], 'after': []}
for i in range(0, len(ind), 15):
    n = ind[i]; name = ind[i+1:i+1+n]; L, off = struct.unpack('<HI', ind[i+9:i+15])
    if n < 3: continue
    keep = max(L - 400, min(L, 700))
    if keep >= L: continue
    x = dat[off:off+L]
    k = zc(x, keep)
    for label, y in (('before', list(x[:k])), ('after', fade(x[:k]))):
        last3 = [abs(v - 128) for v in y[-33:]]
        prev = [abs(v - 128) for v in y[-143:-33]]
        rms = lambda a: math.sqrt(sum(v*v for v in a) / len(a))
        rows[label].append((rms(last3) / (rms(prev) + 1e-9), max(abs(v - 128) for v in y[-11:])))
for label, r in rows.items():
    r3 = sorted(a for a, b in r); p1 = sorted(b for a, b in r)
    print('%s: %d shortened segments; RMS of the last 3 ms / RMS of the 10 ms before: median %.2f, p90 %.2f; peak of the last 1 ms (of 127): median %d, p90 %d, max %d'
          % (label, len(r), r3[len(r)//2], r3[len(r)*9//10], p1[len(r)//2], p1[len(r)*9//10], p1[-1]))
