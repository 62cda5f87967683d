#!/usr/bin/env python3
"""tarn-info in Python: what libtarn knows about the target, the host, what this process may use
and the library's build, read through libtarn's C interface with nothing but ctypes. It loads the
library named by TARN_LIBRARY when that is set, else lets the loader find libtarn.so.1
(LD_LIBRARY_PATH, or an installed package) or, on Windows, libtarn.dll."""
import ctypes
import os
import sys

TARN_OK = 0
FIELDS = {"os": 0, "arch": 1, "version": 2, "release": 3, "node_name": 4, "pretty": 5,
          "build_os": 6, "build_arch": 7, "build_time": 8, "build_date": 9, "product_id": 10,
          "product_version": 11, "product_like": 12}


class Capacity(ctypes.Structure):
    """tarn_capacity: what this process may use."""
    _fields_ = [("size", ctypes.c_size_t), ("processors", ctypes.c_uint),
                ("machine_processors", ctypes.c_uint), ("processor_quota", ctypes.c_double),
                ("memory", ctypes.c_ulonglong), ("machine_memory", ctypes.c_ulonglong),
                ("memory_limit", ctypes.c_ulonglong)]


class Failure(Exception):
    """What ends the program with a message and exit status 2."""


def load():
    # The path as bytes where the system's are bytes: any name a file can have, UTF-8 or not.
    if os.name == "nt":
        name = os.environ.get("TARN_LIBRARY") or "libtarn.dll"
    else:
        name = os.environb.get(b"TARN_LIBRARY") or b"libtarn.so.1"
    shown = os.fsdecode(name).encode("utf-8", "surrogateescape").decode("utf-8", "backslashreplace")
    try:
        lib = ctypes.CDLL(name)
    except (OSError, UnicodeError) as error:
        # The loader's message names the path, and ctypes cannot decode it when the path is not
        # UTF-8: then only the name is given.
        raise Failure(error if isinstance(error, OSError) else f"{shown}: cannot load it") from None
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
        "tarn_getcapacity": (ctypes.c_int, [ctypes.POINTER(Capacity)]),
        "tarn_getavailablememory": (ctypes.c_int, [ctypes.POINTER(ctypes.c_ulonglong)]),
        "tarn_getdirectory": (ctypes.c_int, [ctypes.c_int, text_out,
                                             ctypes.POINTER(ctypes.c_size_t)]),
        "tarn_getexecutablepath": (ctypes.c_int, [text_out, ctypes.POINTER(ctypes.c_size_t)]),
        "tarn_getlibrarypath": (ctypes.c_int, [text_out, ctypes.POINTER(ctypes.c_size_t)]),
    }
    for function, (restype, argtypes) in signatures.items():
        try:
            found = getattr(lib, function)
        except AttributeError:
            raise Failure(f"{shown} has no {function}: not libtarn, or one older than this "
                          "program") from None
        found.restype, found.argtypes = restype, argtypes
    return lib


def check(lib, status):
    if status != TARN_OK:
        raise Failure(lib.tarn_status_message(status).decode())


def field(lib, info, number):
    """One text of the host description, read with its length and released by the library."""
    text, size = ctypes.c_void_p(), ctypes.c_size_t()
    check(lib, lib.tarn_system_info_get(info, number, ctypes.byref(text), ctypes.byref(size)))
    try:
        return ctypes.string_at(text, size.value)
    finally:
        lib.tarn_free(text)


def product(get):
    """"debian 12 (like: ...)": the parts the host has."""
    text = get["product_id"] or b"(none)"
    if get["product_version"]:
        text += b" " + get["product_version"]
    if get["product_like"]:
        text += b" (like: " + get["product_like"] + b")"
    return text


def size(count):
    """A number of bytes as a person reads it: "512 MiB", "23.5 GiB"."""
    value, unit = float(count), 0
    while value >= 1023.95 and unit < 6:  # what "%.1f" would show as 1024.0 steps up
        value, unit = value / 1024, unit + 1
    shown = "%.1f" % value
    return (shown[:-2] if shown.endswith(".0") else shown) + " " + \
        ["B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"][unit]


def capacity_lines(lib):
    """The processors and memory lines, as tarn-info words them."""
    c = Capacity(size=ctypes.sizeof(Capacity))
    check(lib, lib.tarn_getcapacity(ctypes.byref(c)))
    if c.processor_quota > 0:
        processors = "%u (quota %g of %u online)" % (c.processors, c.processor_quota,
                                                      c.machine_processors)
    elif c.processors < c.machine_processors:
        processors = "%u (of %u online)" % (c.processors, c.machine_processors)
    else:
        processors = "%u" % c.processors
    available = ctypes.c_ulonglong()
    check(lib, lib.tarn_getavailablememory(ctypes.byref(available)))
    memory = size(c.memory)
    if c.memory_limit:
        memory += " (limit; machine %s)" % size(c.machine_memory)
    memory += ", %s available" % size(available.value)
    return [(b"processors: ", processors.encode()), (b"memory:     ", memory.encode())]


DIRECTORIES = ["home", "config", "data", "cache", "state", "runtime", "temp", "desktop",
               "documents", "downloads", "music", "pictures", "videos", "templates",
               "publicshare"]


def path_lines(lib):
    """Where programs and their users keep their files, then the program's own file (Python's)
    and the library's, a line each, as tarn-info words them."""
    def line(name, get, *number):
        text, size = ctypes.c_void_p(), ctypes.c_size_t()
        check(lib, get(*number, ctypes.byref(text), ctypes.byref(size)))
        path = ctypes.string_at(text, size.value) if text else b"(none)"
        lib.tarn_free(text)
        return (name + ": ").ljust(12).encode(), path
    return [line(name, lib.tarn_getdirectory, number) for number, name in enumerate(DIRECTORIES)] + \
        [line("executable", lib.tarn_getexecutablepath), line("library", lib.tarn_getlibrarypath)]


def main():
    lib = load()
    info = ctypes.c_void_p()
    check(lib, lib.tarn_system_info_create(ctypes.byref(info)))
    try:
        get = {name: field(lib, info, number) for name, number in FIELDS.items()}
    finally:
        lib.tarn_system_info_destroy(info)
    lines = [(b"target:     ", lib.tarn_getosid()), (b"os:         ", get["os"]),
             (b"pretty:     ", get["pretty"]), (b"product:    ", product(get)),
             (b"arch:       ", get["arch"]),
             (b"version:    ", get["version"]), (b"release:    ", get["release"]),
             (b"node name:  ", get["node_name"])] + capacity_lines(lib) + \
        path_lines(lib) + [
             (b"build os:   ", get["build_os"]),
             (b"build arch: ", get["build_arch"]),
             (b"built:      ", get["build_date"] + b" " + get["build_time"])]
    if sys.stdout is None:
        raise Failure("standard output is closed")
    sys.stdout.buffer.write(b"".join(label + value + b"\n" for label, value in lines))
    sys.stdout.flush()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (Failure, OSError) as error:
        if isinstance(error, OSError) and sys.stdout is not None:
            # What could not be written is dropped, so that the exit does not try again.
            os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
            error = f"cannot write to standard output: {error.strerror}"
        print("tarn_info.py:", error, file=sys.stderr)
        sys.exit(2)
