#!/usr/bin/env python3
"""tarn-info in Python: what libtarn knows about the target, the host and its build, read through
libtarn's C interface with nothing but ctypes. It loads the library named by TARN_LIBRARY when that
is set, else lets the loader find libtarn.so.1 (LD_LIBRARY_PATH, or an installed package) or, on
Windows, libtarn.dll."""
import ctypes
import os
import sys

TARN_OK = 0
FIELDS = {"os": 0, "arch": 1, "version": 2, "release": 3, "node_name": 4, "pretty": 5,
          "build_os": 6, "build_arch": 7, "build_time": 8, "build_date": 9}


def load():
    name = os.environ.get("TARN_LIBRARY") or ("libtarn.dll" if os.name == "nt" else "libtarn.so.1")
    lib = ctypes.CDLL(name)
    # Every function's types, so that no pointer is cut to an int on the way.
    text_out = ctypes.POINTER(ctypes.c_void_p)
    signatures = {
        "tarn_version": (ctypes.c_uint, []),
        "tarn_status_message": (ctypes.c_char_p, [ctypes.c_int]),
        "tarn_free": (None, [ctypes.c_void_p]),
        "tarn_getosid": (ctypes.c_char_p, []),
        "tarn_system_info_create": (ctypes.c_int, [ctypes.POINTER(ctypes.c_void_p)]),
        "tarn_system_info_destroy": (None, [ctypes.c_void_p]),
        "tarn_system_info_get": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_int, text_out,
                                                ctypes.POINTER(ctypes.c_size_t)]),
    }
    for function, (restype, argtypes) in signatures.items():
        getattr(lib, function).restype = restype
        getattr(lib, function).argtypes = argtypes
    return lib


def check(lib, status):
    if status != TARN_OK:
        raise RuntimeError(lib.tarn_status_message(status).decode())


def field(lib, info, number):
    """One text of the host description, read with its length and released by the library."""
    text, size = ctypes.c_void_p(), ctypes.c_size_t()
    check(lib, lib.tarn_system_info_get(info, number, ctypes.byref(text), ctypes.byref(size)))
    try:
        return ctypes.string_at(text, size.value)
    finally:
        lib.tarn_free(text)


def main():
    lib = load()
    info = ctypes.c_void_p()
    check(lib, lib.tarn_system_info_create(ctypes.byref(info)))
    try:
        get = {name: field(lib, info, number) for name, number in FIELDS.items()}
    finally:
        lib.tarn_system_info_destroy(info)
    lines = [(b"target:     ", lib.tarn_getosid()), (b"os:         ", get["os"]),
             (b"pretty:     ", get["pretty"]), (b"arch:       ", get["arch"]),
             (b"version:    ", get["version"]), (b"release:    ", get["release"]),
             (b"node name:  ", get["node_name"]), (b"build os:   ", get["build_os"]),
             (b"build arch: ", get["build_arch"]),
             (b"built:      ", get["build_date"] + b" " + get["build_time"])]
    sys.stdout.buffer.write(b"".join(label + value + b"\n" for label, value in lines))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (OSError, RuntimeError) as error:
        print("tarn_info.py:", error, file=sys.stderr)
        sys.exit(2)
