#!/usr/bin/python3
"""Measures rendered wave files: THD+N with a notch, harmonics, level fit, alias energy off the
harmonics, DC, a log sweep's instantaneous frequency, and the start of pink noise.

  analyse.py thdn FILE F0 [CHANNEL]        THD+N re the tone, harmonics, level, DC
  analyse.py alias FILE F0 [CHANNEL]       energy off the harmonic frequencies, DC, fundamental
  analyse.py sweep FILE F0 F1              log sweep: frequency error against the exponential
  analyse.py pinkstart FILE [REFERENCE]    pink noise: start against the steady noise

Reads 16/24-bit PCM and 32-bit float wave files itself (numpy only). Levels are dBFS re the
format's full scale (a full-scale sine is 0 dBFS)."""
import struct
import sys

import numpy as np


def read_wave(path):
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a RIFF/WAVE file"
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            fmt = struct.unpack("<HHIIHH", body[:16])
        elif cid == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    tag, channels, rate, _, align, bits = fmt
    if tag == 3:
        x = np.frombuffer(samples, "<f4").astype(np.float64)
        full = 1.0
    elif bits == 16:
        x = np.frombuffer(samples, "<i2").astype(np.float64)
        full = 32767.0
    else:
        b = np.frombuffer(samples, np.uint8).reshape(-1, 3).astype(np.int32)
        v = b[:, 0] | (b[:, 1] << 8) | (b[:, 2] << 16)
        x = np.where(v >= 1 << 23, v - (1 << 24), v).astype(np.float64)
        full = 8388607.0
    return x.reshape(-1, channels), rate, full, bits if tag != 3 else 0


def spectrum(x):
    w = np.kaiser(len(x), 38.0)  # side lobes far below any floor measured here
    return np.abs(np.fft.rfft(x * w)) ** 2


LOBE = 24  # bins either side of a component that belong to it (the window's main lobe)


def band(p, k):
    k = int(round(k))
    return p[max(k - LOBE, 0):k + LOBE + 1].sum()


def level_fit(x, f0, rate):
    """Least-squares sine at f0 (with DC): amplitude and phase at the first sample. The
    generator's frequency is f0 / rate rounded to a 32-bit float: the fit uses that one."""
    f0 = float(np.float32(f0 / rate)) * rate
    n = np.arange(len(x))
    a = np.column_stack([np.sin(2 * np.pi * f0 * n / rate), np.cos(2 * np.pi * f0 * n / rate),
                         np.ones(len(x))])
    c, *_ = np.linalg.lstsq(a, x, rcond=None)
    return np.hypot(c[0], c[1]), np.degrees(np.arctan2(c[1], c[0]))


def peak_bin(p, f0, rate, n):
    k = f0 * n / rate
    lo, hi = int(k) - LOBE, int(k) + LOBE
    return lo + int(np.argmax(p[lo:hi + 1]))


def tone_spectrum(path, f0, channel):
    """One channel of a file, its spectrum, the bin of the tone f0 and the size of one LSB
    (for float, that of 24 bits)."""
    x, rate, full, bits = read_wave(path)
    x = x[:, channel]
    p = spectrum(x)
    lsb = 1.0 if bits else 2.0 ** -23 * full
    return x, rate, full, p, peak_bin(p, f0, rate, len(x)), lsb


def thdn(path, f0, channel=0):
    x, rate, full, p, k0, lsb = tone_spectrum(path, f0, channel)
    tone = band(p, k0)
    rest = p.copy()
    rest[:LOBE + 1] = 0  # DC
    rest[max(k0 - LOBE, 0):k0 + LOBE + 1] = 0  # the notch
    thdn_db = 10 * np.log10(rest.sum() / tone)
    amp, _ = level_fit(x, f0, rate)
    level = 20 * np.log10(amp / full)
    harmonics = []
    for h in range(2, int(rate / 2 / f0) + 1):
        harmonics.append(level + 10 * np.log10(band(p, k0 * h) / tone))
    dc = x.mean() / lsb
    print(f"{path}: THD+N {thdn_db:.1f} dB re tone; level {level:.4f} dBFS; "
          f"highest harmonic {max(harmonics):.1f} dBFS (H{2 + int(np.argmax(harmonics))}); "
          f"DC {dc:.3g} LSB")
    return thdn_db, level, max(harmonics)


def alias(path, f0, channel=0):
    x, rate, full, p, k0, lsb = tone_spectrum(path, f0, channel)
    fund = band(p, k0)
    mask = np.ones(len(p), bool)
    mask[:LOBE + 1] = False
    h = 1
    while k0 * h < len(p) - 1:
        k = int(round(k0 * h))
        mask[max(k - LOBE, 0):k + LOBE + 1] = False
        h += 1
    off = 10 * np.log10(p[mask].sum() / fund)
    amp, phase = level_fit(x, f0, rate)
    print(f"{path} ch{channel} {f0:g} Hz: off-harmonic energy {off:.1f} dBc; fundamental "
          f"{20 * np.log10(amp / full):.4f} dBFS at {phase:.3f} deg; DC {x.mean() / lsb:.3g} LSB")
    return off, amp, phase, x.mean() / lsb


def sweep(path, f0, f1):
    """The phase of the signal against the exponential sweep's, block by block: a least-squares
    fit of sin and cos of the ideal phase over each 10 ms block gives the block's phase offset;
    the change of the offset from block to block is the frequency error."""
    x, rate, full, bits = read_wave(path)
    x = x[:, 0]
    n = len(x)
    # Frame k is produced with the increment 2 pi f0 / rate r^k, r^(n-1) = f1 / f0; the phase
    # is advanced before the sample is taken.
    r = (f1 / f0) ** (1.0 / (n - 1))
    inc = 2 * np.pi * f0 / rate * r ** np.arange(n)
    ideal = np.cumsum(inc)
    block = rate // 100
    m = n // block
    offsets = np.empty(m)
    for j in range(m):
        s = slice(j * block, (j + 1) * block)
        a = np.column_stack([np.sin(ideal[s]), np.cos(ideal[s])])
        c, *_ = np.linalg.lstsq(a, x[s], rcond=None)
        offsets[j] = np.arctan2(c[1], c[0])
    offsets = np.unwrap(offsets)
    centre = (np.arange(m) + 0.5) * block
    f_ideal = f0 * r ** centre
    f_err = np.diff(offsets) / (2 * np.pi * block / rate)  # Hz, between block centres
    cents = 1200 * np.log2(1 + f_err / f_ideal[1:])
    end = cents[-1]
    print(f"{path}: instantaneous frequency within {np.abs(cents).max():.4f} cent of the "
          f"exponential (10 ms blocks); end frequency off by {end:.4f} cent "
          f"({f_ideal[-1] * (1 + f_err[-1] / f_ideal[-1]):.3f} Hz in the last block, ideal "
          f"{f_ideal[-1]:.3f} Hz)")
    return np.abs(cents).max(), end


def pinkstart(path, reference=None):
    x, rate, full, bits = read_wave(path)
    x = x[:, 0]
    steady = np.abs(x[4000:]).max()
    start = np.abs(x[:2000]).max()
    means = x[:len(x) // 256 * 256].reshape(-1, 256).mean(axis=1)
    later = means[16:]
    print(f"{path}: first sample {x[0]:.0f}; peak of the first 2000 samples {start:.0f} against "
          f"the steady peak {steady:.0f}; first 256-sample mean {means[0]:.1f}, later means "
          f"{later.min():.1f} .. {later.max():.1f}")
    if reference:
        r, *_ = read_wave(reference)
        r = r[:, 0]
        same = np.nonzero(x != r)[0]
        print(f"  against {reference}: last differing sample {same.max() if len(same) else -1}")
    return start <= steady and later.min() <= means[0] <= later.max()


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "thdn":
        thdn(args[0], float(args[1]), int(args[2]) if len(args) > 2 else 0)
    elif cmd == "alias":
        alias(args[0], float(args[1]), int(args[2]) if len(args) > 2 else 0)
    elif cmd == "sweep":
        sweep(args[0], float(args[1]), float(args[2]))
    elif cmd == "pinkstart":
        pinkstart(args[0], args[1] if len(args) > 1 else None)
    else:
        sys.exit(__doc__)
