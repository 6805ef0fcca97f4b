#!/usr/bin/python3
# What people usually write to patch the version byte: read it all, change
# one byte, write it all back.
import sys

path = sys.argv[1]
with open(path, "rb") as f:
    data = bytearray(f.read())
data[3] = 9
with open(path, "wb") as f:
    f.write(data)
