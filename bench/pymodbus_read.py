#!/usr/bin/python3
"""The same 16-register read the link benchmark times, by a general Modbus
master: pymodbus's synchronous serial client (Debian's python3-pymodbus).

Usage: pymodbus_read.py PORT RUNS

Prints one line: the median and the best time of a read of registers 0..15
from slave 1 at 9600 8N2, in milliseconds, and how many of the reads were good.
"""
import statistics
import sys
import time

from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusRtuFramer


def main():
    port, runs = sys.argv[1], int(sys.argv[2])
    client = ModbusSerialClient(port, framer=ModbusRtuFramer, baudrate=9600, bytesize=8,
                                parity="N", stopbits=2, timeout=1)
    if not client.connect():
        print("pymodbus: cannot open", port)
        return 1
    took, good = [], 0
    for _ in range(runs):
        start = time.perf_counter()
        reply = client.read_holding_registers(0, 16, slave=1)
        took.append((time.perf_counter() - start) * 1000.0)
        good += 0 if reply.isError() else 1
    client.close()
    print(f"{statistics.median(took):.1f} {min(took):.1f} {good}/{runs}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
