#!/usr/bin/env python3
"""gzip_n.py IN OUT: compresses IN as `gzip -9n` does (best compression, no name, no time stamp),
so that the same input always gives the same bytes."""
import gzip
import sys

with open(sys.argv[1], "rb") as source, open(sys.argv[2], "wb") as raw:
    with gzip.GzipFile("", "wb", 9, raw, mtime=0) as packed:
        packed.write(source.read())
