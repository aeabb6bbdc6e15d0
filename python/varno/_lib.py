"""Locating libvarno and declaring the C prototypes of include/varno.h."""
import ctypes
import ctypes.util
import os
import sys
import sysconfig
from ctypes import POINTER, c_char, c_char_p, c_double, c_int, c_void_p
from pathlib import Path

__all__ = ["load_library", "library_path"]

_int_p = POINTER(c_int)
_double_p = POINTER(c_double)
_double_pp = POINTER(_double_p)
# Returned texts are declared as char pointers rather than c_char_p so that
# the address survives: the host must free some of them, and the address of
# the newest log entry tells whether a call appended a message.
_text = POINTER(c_char)
_text_array = POINTER(c_char_p)

# name: (restype, argtypes), in the order of varno.h.
PROTOTYPES = {
    "VARNO_getBuildNumber": (c_int, []),
    "VARNO_initializeStudySetup": (c_int, [c_char_p]),
    "VARNO_getLastMessage": (_text, []),
    "VARNO_getMessageLog": (_text, []),
    "VARNO_clearMessageLog": (None, []),
    "VARNO_freePtr": (None, [c_void_p]),
    "VARNO_freePtrArrayData": (None, [POINTER(c_void_p), c_int]),
    "VARNO_createNewStudy": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewProjectParameter": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewProjectResponse": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewDiscreteSet": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewDistribution": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewCurve": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineNewFormat": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineStudyLevelData": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineSearchMethodData": (c_int, [c_char_p, c_char_p]),
    "VARNO_defineStudyRuntimeOptions": (c_int, [c_char_p, c_char_p]),
    "VARNO_addVariableToStudy": (c_int, [c_char_p, c_char_p]),
    "VARNO_addDOEFactorToStudy": (c_int, [c_char_p, c_char_p]),
    "VARNO_addResponseToStudy": (c_int, [c_char_p, c_char_p]),
    "VARNO_finalizeStudyData": (c_int, []),
    "VARNO_getNextSetOfDesignsFromStudy": (c_int, [POINTER(_int_p), POINTER(_double_pp)]),
    "VARNO_updateResultsForDesignSet": (c_int, [c_int, _int_p, _int_p, _double_pp, _text_array]),
    "VARNO_shareDesigns": (c_int, [c_char_p, c_int, _int_p, c_int, _double_pp, c_int, _double_pp,
                                   POINTER(_int_p), _text_array]),
    "VARNO_isShareDesignsSupported": (c_int, []),
    "VARNO_isStudyComplete": (c_int, []),
    "VARNO_endStudy": (c_int, []),
    "VARNO_getPerformanceValueForDesign": (c_int, [c_int, _double_p]),
    "VARNO_getDesignStatus": (c_int, [c_int]),
    "VARNO_getBestDesignId": (c_int, []),
    "VARNO_getIntStudyData": (c_int, [c_int]),
    "VARNO_getParetoDesignIds": (c_int, [POINTER(_int_p), POINTER(_int_p)]),
    "VARNO_getFactorNames": (_text_array, [_int_p]),
    "VARNO_getInteractionNames": (_text_array, [_int_p]),
    "VARNO_getPercentContribution": (_double_p, [_int_p]),
    "VARNO_getDOEEffectsData": (_double_pp, [_int_p, _int_p]),
    "VARNO_generateReportFile": (c_int, []),
    "VARNO_generateDesignResultsFile": (c_int, []),
    "VARNO_generateStudyResultsFiles": (c_int, []),
}

_NAME = "libvarno.so"
_loaded = None


def _library_dirs(prefix):
    """Where `cmake --install --prefix <prefix>` puts the library."""
    prefix = Path(prefix)
    multiarch = sysconfig.get_config_var("MULTIARCH")
    yield prefix / "lib"
    if multiarch:
        yield prefix / "lib" / multiarch
    yield prefix / "lib64"


def _candidates():
    here = Path(__file__).resolve().parent
    yield here / _NAME
    # Run from the source tree: python/varno -> the repository's build trees.
    root = here.parent.parent
    for build in ("build/default", "build/release", "build"):
        yield root / build / "src" / _NAME
    # Installed: <prefix>/lib/pythonX.Y/site-packages/varno next to <prefix>/lib.
    yield here.parents[2] / _NAME
    for prefix in dict.fromkeys((sys.prefix, sys.base_prefix, "/usr/local")):
        for directory in _library_dirs(prefix):
            yield directory / _NAME


def library_path():
    """Path of the library to load: $VARNO_LIBRARY, else the first found of
    the package folder, the build trees of the source checkout, the lib folder
    the package is installed under and the install prefixes of this Python,
    else whatever ctypes.util.find_library("varno") finds."""
    explicit = os.environ.get("VARNO_LIBRARY")
    if explicit:
        return explicit
    for candidate in _candidates():
        if candidate.is_file():
            return str(candidate)
    found = ctypes.util.find_library("varno")
    if found:
        return found
    raise OSError("libvarno not found: set VARNO_LIBRARY to the path of libvarno.so "
                  "(for example build/default/src/libvarno.so)")


def load_library(path=None):
    """Load libvarno once per process (one study per loaded library) and
    declare every exported prototype."""
    global _loaded
    if _loaded is None:
        lib = ctypes.CDLL(path or library_path())
        for name, (restype, argtypes) in PROTOTYPES.items():
            function = getattr(lib, name)
            function.restype = restype
            function.argtypes = argtypes
        _loaded = lib
    return _loaded
