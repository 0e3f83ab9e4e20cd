#!/usr/bin/python3
# A lab script as users write them: PyVISA with its pure-Python back end talks to a running
# generator over TCP. Sets a tone on the left channel, switches on and off, reads every value
# back and prints them as NAME=VALUE lines for the test that started it.
#   scpi_pyvisa.py PORT
import sys
import time

import pyvisa

port = int(sys.argv[1])
rm = pyvisa.ResourceManager("@py")
gen = rm.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                       write_termination="\n", timeout=10000)
print("idn=" + gen.query("*IDN?"))
gen.write("*RST;*CLS")
gen.write("OUTPUT:SRATE 44100")
gen.write("OUTP:MODE STEREO;LOOP ON")
gen.write(":SOURCE2:STATE OFF")
gen.write("SOUR1:FUNC SIN;FREQ 1234.5 HZ;VOLT -12 DBFS")
gen.write("SWE:TIME 1")
gen.write("OUTP ON")
print("on=" + gen.query("OUTP?"))
time.sleep(0.5)
gen.write("OUTP OFF")
print("off=" + gen.query("OUTP?"))
for name, query in [("freq", "SOUR1:FREQ?"), ("volt", "SOUR1:VOLT?"), ("unit", "VOLT:UNIT?"),
                    ("func", "SOUR1:FUNC?"), ("right", "SOUR2:STAT?"), ("mode", "OUTP:MODE?"),
                    ("rate", "OUTP:SRAT?"), ("time", "SWE:TIME?"), ("loop", "OUTP:LOOP?"),
                    ("error", "SYST:ERR?")]:
    print(f"{name}={gen.query(query)}")
gen.close()
