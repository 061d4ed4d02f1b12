#!/usr/bin/env python3
"""Prints the synthetic encryption descriptors that jet/pager/accdb_codec_test.cpp checks.

The corpus has real files for Office agile (SHA-512, AES-256) and RC4 CryptoAPI only. This script
builds, with Python's own hashlib and the `cryptography` package (Debian: python3-cryptography),
the encrypted verifier of an Office standard (AES-128) descriptor and a whole Office agile
descriptor with SHA-1 and AES-128, each for the password "Secret1" (salts 10..1F, 50..5F, data
salt 30..3F), plus the first and last cipher block of page 0x12345 (byte n = 7n + 3) under each.
It shares no code with the engine, so the test compares two independent readings of the format
(docs/format/encryption.md).

Run from anywhere:  python3 tools/gen_accdb_crypto_vectors.py   and paste the output into the test.
"""
import base64
import hashlib
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

ENCODING_KEY = bytes([0x5A, 0x17, 0xC3, 0x9E])
PAGE_NUMBER = 0x12345  # beyond one byte, so every byte of the page block matters
PAGE = bytes((n * 7 + 3) & 0xFF for n in range(4096))


def block_of(n, key=ENCODING_KEY):
    return bytes(b ^ k for b, k in zip(struct.pack("<I", n), key))


def utf16(password):
    return password.encode("utf-16-le")


def spun(h, salt, password, rounds):
    x = h(salt + utf16(password)).digest()
    for i in range(rounds):
        x = h(struct.pack("<I", i) + x).digest()
    return x


def aes(key, mode, data, encrypt=True):
    c = Cipher(algorithms.AES(key), mode)
    op = c.encryptor() if encrypt else c.decryptor()
    return op.update(data) + op.finalize()


def standard_key(spun_hash, block, key_bytes):
    h = hashlib.sha1(spun_hash + block).digest()
    x1 = hashlib.sha1(bytes(b ^ 0x36 for b in h.ljust(64, b"\0"))).digest()
    x2 = hashlib.sha1(bytes(b ^ 0x5C for b in h.ljust(64, b"\0"))).digest()
    return (x1 + x2)[:key_bytes]


def standard(password):
    salt = bytes(range(0x10, 0x20))
    verifier = bytes(range(0xA0, 0xB0))
    s = spun(hashlib.sha1, salt, password, 50000)
    key = standard_key(s, bytes(4), 16)
    enc_verifier = aes(key, modes.ECB(), verifier)
    enc_hash = aes(key, modes.ECB(), hashlib.sha1(verifier).digest().ljust(32, b"\0"))
    page = aes(standard_key(s, block_of(PAGE_NUMBER), 16), modes.ECB(), PAGE)
    return enc_verifier + enc_hash, page


def agile(password):
    h = hashlib.sha1
    data_salt = bytes(range(0x30, 0x40))
    pw_salt = bytes(range(0x50, 0x60))
    verifier = bytes(range(0x70, 0x80))
    data_key = bytes(range(0x90, 0xA0))
    rounds = 1000
    s = spun(h, pw_salt, password, rounds)

    def pw_encrypt(block, value):
        key = h(s + block).digest()[:16]
        return aes(key, modes.CBC(pw_salt), value)

    hv = h(verifier).digest().ljust(32, b"\0")
    params = 'saltSize="16" blockSize="16" keyBits="128" hashSize="20" cipherAlgorithm="AES"\n' \
        '    cipherChaining="ChainingModeCBC" hashAlgorithm="SHA1"'
    b64 = lambda b: base64.b64encode(b).decode()
    xml = "\n".join([
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>',
        '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption"',
        '    xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">',
        '  <keyData %s saltValue="%s"/>' % (params, b64(data_salt)),
        '  <keyEncryptors><keyEncryptor',
        '    uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">',
        '  <p:encryptedKey spinCount="%d" saltValue="%s"' % (rounds, b64(pw_salt)),
        "    " + params,
        '    encryptedVerifierHashInput="%s"'
        % b64(pw_encrypt(bytes.fromhex("fea7d2763b4b9e79"), verifier)),
        '    encryptedVerifierHashValue="%s"'
        % b64(pw_encrypt(bytes.fromhex("d7aa0f6d3061344e"), hv)),
        '    encryptedKeyValue="%s"/>'
        % b64(pw_encrypt(bytes.fromhex("146e0be7abacd0d6"), data_key)),
        "  </keyEncryptor></keyEncryptors>",
        "</encryption>",
    ])
    blob = struct.pack("<HHI", 4, 4, 0x40) + xml.encode("ascii")
    iv = h(data_salt + block_of(PAGE_NUMBER)).digest()[:16]
    page = aes(data_key, modes.CBC(iv), PAGE)
    return blob, page


def cpp_bytes(name, data):
    hexes = ["0x%02X" % b for b in data]
    lines = [", ".join(hexes[i : i + 12]) for i in range(0, len(hexes), 12)]
    return "const std::vector<std::uint8_t> %s = {\n    %s};\n" % (name, ",\n    ".join(lines))


if __name__ == "__main__":
    std_verifier, std_page = standard("Secret1")
    print(cpp_bytes("kStandardVerifier", std_verifier))
    print(cpp_bytes("kStandardPageEnds", std_page[:16] + std_page[-16:]))
    agile_blob, agile_page = agile("Secret1")
    print('const std::string kAgileSha1Xml = R"(%s)";\n' % agile_blob[8:].decode("ascii"))
    print(cpp_bytes("kAgileSha1PageEnds", agile_page[:16] + agile_page[-16:]))
