#!/usr/bin/python3
# Round trips to one running generator: `FREQ 1000;*OPC?` from PyVISA (pure-Python back end)
# and the same setting over D-Bus (Message 1031 100000 0, which returns after the action),
# CALLS times each, interleaved in blocks so that both see the same machine; then gdbus call
# for scale (a process per call).  scpi_roundtrip.py PORT PID [CALLS]
import statistics
import subprocess
import sys
import time

import dbus
import pyvisa

port, pid = int(sys.argv[1]), int(sys.argv[2])
calls = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
gen = pyvisa.ResourceManager("@py").open_resource(
    f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n", write_termination="\n",
    timeout=10000)
bus = dbus.SessionBus()
target = bus.get_object(f"org.orvande.Quavril.instance{pid}", "/Generator")
message = target.get_dbus_method("Message", "org.orvande.Quavril.Generator")

scpi, dbus_times = [], []
for block in range(calls // 100):
    for _ in range(100):
        t = time.perf_counter()
        assert gen.query("FREQ 1000;*OPC?") == "1"
        scpi.append(time.perf_counter() - t)
    for _ in range(100):
        t = time.perf_counter()
        message(1031, 100000, 0)
        dbus_times.append(time.perf_counter() - t)
gdbus = []
for _ in range(50):
    t = time.perf_counter()
    subprocess.run(["gdbus", "call", "--session", "--dest", f"org.orvande.Quavril.instance{pid}",
                    "--object-path", "/Generator", "--method",
                    "org.orvande.Quavril.Generator.Message", "1031", "100000", "0"],
                   check=True, stdout=subprocess.DEVNULL)
    gdbus.append(time.perf_counter() - t)

ms = lambda values: statistics.median(values) * 1000
print(f"SCPI (PyVISA)  FREQ 1000;*OPC?  median {ms(scpi):.3f} ms over {len(scpi)} calls")
print(f"D-Bus (python3-dbus) Message    median {ms(dbus_times):.3f} ms over {len(dbus_times)} calls")
print(f"D-Bus (gdbus call, a process)   median {ms(gdbus):.3f} ms over {len(gdbus)} calls")
print(f"SCPI / D-Bus: {ms(scpi) / ms(dbus_times):.2f}")
