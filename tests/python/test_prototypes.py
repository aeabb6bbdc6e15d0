"""The ctypes declarations of the binding (python/varno/_lib.py) against the
prototypes of include/varno.h: the same functions, and for each the same
number of arguments and the same C type for the result and every argument."""
import ctypes
import re
import sys
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "python"))
from varno._lib import PROTOTYPES  # noqa: E402

PROTOTYPE = re.compile(r"\bVARNO_API\s+([^;{}]*?)\b(VARNO_\w+)\s*\(([^)]*)\)\s*;")
SCALARS = {ctypes.c_int: ("int", 0), ctypes.c_double: ("double", 0), ctypes.c_char: ("char", 0),
           ctypes.c_char_p: ("char", 1), ctypes.c_void_p: ("void", 1), None: ("void", 0)}


def c_shape(declaration):
    """("double", 2) for "const double** values": the base type and pointer depth."""
    return re.sub(r"\bconst\b|\*", " ", declaration).split()[0], declaration.count("*")


def ctypes_shape(kind):
    if isinstance(kind, type) and issubclass(kind, ctypes._Pointer):
        base, depth = ctypes_shape(kind._type_)
        return base, depth + 1
    return SCALARS[kind]


def header_prototypes(text):
    """name -> (result shape, [argument shapes]) of every exported function."""
    text = re.sub(r"/\*.*?\*/|//[^\n]*|^\s*#[^\n]*", " ", text, flags=re.S | re.M)
    found = {}
    for result, name, arguments in PROTOTYPE.findall(text):
        arguments = arguments.strip()
        found[name] = (c_shape(result), [] if arguments in ("", "void") else
                       [c_shape(a) for a in arguments.split(",")])
    return found


class PrototypesTest(unittest.TestCase):
    def test_every_declaration_matches_the_header(self):
        header = header_prototypes((ROOT / "include" / "varno.h").read_text())
        self.assertEqual(set(header), set(PROTOTYPES))
        for name, (result, arguments) in header.items():
            restype, argtypes = PROTOTYPES[name]
            with self.subTest(name):
                self.assertEqual(ctypes_shape(restype), result, "result")
                self.assertEqual([ctypes_shape(a) for a in argtypes], arguments, "arguments")
