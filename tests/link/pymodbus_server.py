#!/usr/bin/python3
"""A third-party Modbus RTU slave for the link's interop test: pymodbus 3.0.

Usage: pymodbus_server.py PORT

Slave 1 at 9600 baud, 8 data bits, no parity, 2 stop bits, holding registers
0..1099. Register a starts as 1000 + 37 * a, so a read shows whether the
addresses and the byte order came through; the values also pass 0x8000 near
the top. A read past 1099 gets an exception reply.
"""
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.server import StartSerialServer
from pymodbus.transaction import ModbusRtuFramer

REGISTERS = 1100


def start_value(address):
    return 1000 + 37 * address


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    block = ModbusSequentialDataBlock(0, [start_value(a) for a in range(REGISTERS)])
    # Without zero_mode, address 0 would be the block's second value.
    slave = ModbusSlaveContext(hr=block, zero_mode=True)
    context = ModbusServerContext(slaves={1: slave}, single=False)
    print("serving", sys.argv[1], flush=True)
    # The default framer is ASCII.
    StartSerialServer(context=context, framer=ModbusRtuFramer, port=sys.argv[1], baudrate=9600,
                      bytesize=8, parity="N", stopbits=2, timeout=0.05)


if __name__ == "__main__":
    main()
