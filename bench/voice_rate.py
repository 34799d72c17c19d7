#!/usr/bin/env python3
"""Speaking rate and pitch of the recorded-voice translator at each speed.

    bench/voice_rate.py BUILD_DIR [SPEED...]

For every speed (1 to 5 by default) the three test sentences are said by
zelnar-say --wav with the installation's TAVIRO.INI set to that speed, and
each WAV is measured: syllables heard per second of speech (the pauses of
150 ms and more at punctuation left out; the recorded names of the marks,
"vírgula", "ponto e vírgula" and "ponto", counted as the syllables they
are), and the median pitch of the voiced 30 ms frames (autocorrelation,
70 to 300 Hz). Needs only Python and the build.
"""
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import wave

# Each sentence with the syllables heard: its words, and the marks' names.
SENTENCES = [
    ("Conexão estabelecida com a rede Café Central.", 17 + 2),
    ("A chave de segurança tem doze caracteres; digite com cuidado.", 22 + 6 + 2),
    ("Sinal de oitenta e oito por cento, rede segura.", 12 + 3 + 5 + 2),
]


def read(path):
    w = wave.open(path)
    n = w.getnframes()
    rate = w.getframerate()
    data = struct.unpack("<%dh" % n, w.readframes(n))
    return rate, data


def speech_seconds(rate, data, pause=0.15):
    """Seconds from the first to the last sound, less the silences of `pause` or more."""
    step = rate // 100
    loud = [max((abs(x) for x in data[i:i + step]), default=0) > 300 for i in range(0, len(data), step)]
    if True not in loud:
        return 0.0
    first = loud.index(True)
    last = len(loud) - 1 - loud[::-1].index(True)
    total, run = 0, 0
    for v in loud[first:last + 1]:
        if v:
            if run < pause * 100:
                total += run
            run = 0
            total += 1
        else:
            run += 1
    return total / 100.0


def median_pitch(rate, data):
    # Down to 11,025 Hz by pairs (the file is 22,050 Hz), frames of 30 ms.
    if rate == 22050:
        data = [(data[i] + data[i + 1]) / 2 for i in range(0, len(data) - 1, 2)]
        rate = 11025
    frame = int(rate * 0.03)
    lo, hi = rate // 300, rate // 70
    pitches = []
    for at in range(0, len(data) - frame - hi, frame):
        x = data[at:at + frame + hi]
        energy = sum(v * v for v in x[:frame])
        if energy < frame * 1500.0 ** 2:
            continue
        best, lag = 0.0, 0
        for k in range(lo, hi):
            c = sum(x[i] * x[i + k] for i in range(frame))
            if c > best:
                best, lag = c, k
        e2 = sum(v * v for v in x[lag:lag + frame]) if lag else 0
        if lag and best / ((energy * e2) ** 0.5 + 1e-9) > 0.6:
            pitches.append(rate / lag)
    return statistics.median(pitches) if pitches else 0.0


def main():
    build = sys.argv[1]
    speeds = [int(s) for s in sys.argv[2:]] or [1, 2, 3, 4, 5]
    ini_path = os.path.join(build, "drives", "c", "windows", "TAVIRO.INI")
    ini = open(ini_path, "rb").read().decode("latin-1")
    with tempfile.TemporaryDirectory() as tmp:
        for speed in speeds:
            windir = os.path.join(tmp, "w%d" % speed)
            os.makedirs(windir)
            lines = ["VELOCIDADE=%d" % speed if l.startswith("VELOCIDADE=") else l for l in ini.split("\r\n")]
            open(os.path.join(windir, "TAVIRO.INI"), "wb").write("\r\n".join(lines).encode("latin-1"))
            env = dict(os.environ, WINDIR=windir, ZELNAR_DRIVES=os.path.join(build, "drives"))
            row = []
            for n, (text, syllables) in enumerate(SENTENCES, 1):
                out = os.path.join(tmp, "s%d_%d.wav" % (speed, n))
                subprocess.run([os.path.join(build, "zelnar-say"), "--wav", out, text], env=env, check=True)
                rate, data = read(out)
                seconds = speech_seconds(rate, data)
                row.append("%5.2f syl/s %5.1f Hz" % (syllables / seconds if seconds else 0, median_pitch(rate, data)))
                if os.environ.get("VOICE_RATE_KEEP"):
                    keep = os.environ["VOICE_RATE_KEEP"]
                    os.makedirs(keep, exist_ok=True)
                    os.replace(out, os.path.join(keep, "speed%d_%d.wav" % (speed, n)))
            print("speed %d: %s" % (speed, " | ".join(row)), flush=True)


if __name__ == "__main__":
    main()
