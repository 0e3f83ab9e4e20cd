#!/usr/bin/python3
"""Gaps in a recording of a steady tone: what a listener hears when the program falls behind.

    bench/gaps.py RECORDING.wav [AMPLITUDE]

The recording is 16-bit PCM (as pw-record writes it from the sink's monitor). Between the
first and last loud sample, every run of more than 8 samples quieter than a twentieth of the
tone's AMPLITUDE (default 0.1, -20 dBFS) counts as a gap: a sine passes zero in one or two
samples, while a sound server that gets no data in time plays silence. PipeWire's own table
(pw-top) does not count a client that falls behind, and its ALSA plug-in reports no underrun
to the program either, so this is where falling behind shows.
"""
import sys
import wave

import numpy as np

w = wave.open(sys.argv[1])
amplitude = float(sys.argv[2]) if len(sys.argv) > 2 else 0.1
rate, channels = w.getframerate(), w.getnchannels()
x = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, channels)[:, 0] / 32768
loud = np.flatnonzero(np.abs(x) > amplitude / 10)
if len(loud) == 0:
    print("no signal heard")
    sys.exit(1)
x = x[loud[0] : loud[-1] + 1]
quiet = np.diff(np.concatenate(([0], (np.abs(x) < amplitude / 20).astype(int), [0])))
runs = np.flatnonzero(quiet == -1) - np.flatnonzero(quiet == 1)
gaps = runs[runs > 8]
print(f"{len(x) / rate:.1f} s heard, {len(gaps)} gaps, longest quiet run {runs.max(initial=0)} samples")
