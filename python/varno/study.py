"""The Study class: one VARNO study driven through the C interface."""
import ctypes
import os
from ctypes import POINTER, byref, c_char_p, c_double, c_int, c_void_p
from typing import List, NamedTuple

from ._lib import load_library

__all__ = ["Study", "Design", "VarnoError", "definition_text", "build_number"]

_FATAL_TRAILER = "Run exiting due to an error"
_int_p = POINTER(c_int)
_double_p = POINTER(c_double)
_double_pp = POINTER(_double_p)

# The library holds one study per process; a new Study discards the previous.
_active = None


class VarnoError(Exception):
    """A library call failed. `call` names the C function, `last` is the
    newest log entry and `log` the whole message log at the time."""

    def __init__(self, call, last=None, log="", **details):
        self.call, self.last, self.log = call, last, log
        self.__dict__.update(details)
        text = log or last or "the message log is empty"
        super().__init__(f"{call} failed:\n{text}")


class Design(NamedTuple):
    """A design handed out by the study: its id and its values (study
    variables in study order, then the project's numeric parameters)."""
    id: int
    values: List[float]


def _scalar(value):
    if isinstance(value, bool):
        return "yes" if value else "no"
    if isinstance(value, float):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return ", ".join(_scalar(item) for item in value)
    return str(value)


def definition_text(keys):
    """Turn a mapping into "key: value" lines. Lists and tuples become the
    counted form ("key:N" and one line per item; a nested sequence is one
    comma-separated line), booleans yes/no; None values are left out."""
    lines = []
    for key, value in keys.items():
        if value is None:
            continue
        if isinstance(value, (list, tuple)):
            lines.append(f"{key}:{len(value)}")
            lines.extend(_scalar(item) for item in value)
        else:
            lines.append(f"{key}: {_scalar(value)}")
    return "\n".join(lines)


def _encode(text):
    return None if text is None else str(text).encode("utf-8")


def _decode(pointer):
    return ctypes.string_at(pointer).decode("utf-8", "replace")


def build_number():
    """Build number of the loaded library."""
    return load_library().VARNO_getBuildNumber()


class Study:
    """One study of the process-wide library.

    `working_directory` (default: the current directory) receives every file
    the study writes. The library needs the environment variable VARNO_ROOT;
    when it is unset it is set to the working directory. `options` is a
    mapping or a definition text with the keys of VARNO_initializeStudySetup
    (e.g. {"deleteResults": True}). Used as a context manager, leaving the
    block ends the study.
    """

    def __init__(self, working_directory=None, options=None):
        global _active
        self._lib = load_library()
        directory = os.path.abspath(working_directory or os.getcwd())
        os.environ.setdefault("VARNO_ROOT", directory)
        text = options if isinstance(options, str) else definition_text(options or {})
        if working_directory is not None:
            text = f"workingDirectory: {directory}\n{text}"
        self.working_directory = directory
        if _active is not None:
            _active._ended = True
        _active, self._ended = self, False
        self._require("VARNO_initializeStudySetup", _encode(text or None))

    # --- context manager and end ------------------------------------------
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.end()
        return False

    def end(self):
        """End the study (VARNO_endStudy); False when it was already ended.
        This empties the message log."""
        global _active
        if self._ended:
            return False
        self._ended = True
        if _active is self:
            _active = None
        return self._lib.VARNO_endStudy() == 1

    # --- message log --------------------------------------------------------
    def message_log(self):
        """The whole message log, entries separated by a blank line."""
        pointer = self._lib.VARNO_getMessageLog()
        if not pointer:
            return ""
        try:
            return _decode(pointer)
        finally:
            self._lib.VARNO_freePtr(pointer)

    def messages(self):
        """The log entries, oldest first (the log split at its blank lines)."""
        text = self.message_log()
        return text.split("\n\n") if text else []

    def last_message(self):
        """The newest log entry, or None."""
        pointer = self._lib.VARNO_getLastMessage()
        return _decode(pointer) if pointer else None

    def clear_messages(self):
        self._lib.VARNO_clearMessageLog()

    def _marker(self):
        # Address of the newest entry: a call that appends one changes it.
        return ctypes.cast(self._lib.VARNO_getLastMessage(), c_void_p).value

    def _complained(self, marker):
        """Whether the log gained an entry since `marker`, or holds a fatal error."""
        return self._marker() != marker or self.last_message() == _FATAL_TRAILER

    def _error(self, call, **details):
        return VarnoError(call, self.last_message(), self.message_log(), **details)

    def _require(self, call, *args):
        if getattr(self._lib, call)(*args) != 1:
            raise self._error(call)

    # --- set-up ---------------------------------------------------------------
    def _define(self, call, name, keys):
        self._require(call, _encode(name), _encode(definition_text(keys)))

    def create(self, name, type="optimization", **keys):
        """Create the study's agent: optimization, doe, reliability and
        robustness, or evaluation."""
        self._define("VARNO_createNewStudy", name, dict(type=type, **keys))

    def parameter(self, name, **keys):
        """Project parameter, e.g. type="Continuous", id=1, min=0, baseline=1, max=2."""
        self._define("VARNO_defineNewProjectParameter", name, keys)

    def discrete_set(self, name, values, ordered=0, **keys):
        self._define("VARNO_defineNewDiscreteSet", name,
                     dict(ordered=ordered, values=list(values), **keys))

    def distribution(self, name, **keys):
        self._define("VARNO_defineNewDistribution", name, keys)

    def curve(self, name, **keys):
        """A curve; `data` is a list of (x, y) or (x, y, weight) points."""
        self._define("VARNO_defineNewCurve", name, keys)

    def format(self, name, **keys):
        self._define("VARNO_defineNewFormat", name, keys)

    def response(self, name, type="API", **keys):
        """Project response; by default one whose values the host returns."""
        self._define("VARNO_defineNewProjectResponse", name, dict(type=type, **keys))

    def study_data(self, name, **keys):
        defaults = dict(startAgent=0, endAgent=0, filePrefix=name, randomSeed=0.5, mode="newStudy")
        self._define("VARNO_defineStudyLevelData", name, {**defaults, **keys})

    def method(self, name, **keys):
        """Search method, e.g. method("search", method="TRAVOK", numEvals=300)."""
        self._define("VARNO_defineSearchMethodData", name, keys)

    def options(self, name="options", **keys):
        """Runtime options, e.g. options(verbose=True)."""
        self._define("VARNO_defineStudyRuntimeOptions", name, keys)

    def variable(self, name, **keys):
        """Study variable; defaults type Continuous, distribution NONE."""
        defaults = dict(type="Continuous", distribution="NONE")
        self._define("VARNO_addVariableToStudy", name, {**defaults, **keys})

    def doe_factor(self, name, **keys):
        self._define("VARNO_addDOEFactorToStudy", name, {"type": "Continuous", **keys})

    _unbounded = dict(acceptMin=-1e300, acceptMax=1e300)

    def objective(self, name, **keys):
        """Objective; defaults: minimise (option min_value), factor 1,
        linear weight 1, no quadratic weight, target 0, open accepted range."""
        defaults = dict(factor=1, option="min_value", target=0, quadWt=0, linearWt=1,
                        **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "objective", **defaults, **keys})

    def constraint(self, name, **keys):
        """Constraint (give `target`); defaults: option less_equal, factor 1,
        quadratic weight 1, open accepted range."""
        defaults = dict(factor=1, option="less_equal", quadWt=1, linearWt=0, **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "constraint", **defaults, **keys})

    def study_response(self, name, **keys):
        """Plain study response (recorded, not judged); default goal NONE."""
        defaults = dict(goal="NONE", **self._unbounded)
        self._define("VARNO_addResponseToStudy", name, {"type": "response", **defaults, **keys})

    def finalize(self):
        self._require("VARNO_finalizeStudyData")

    # --- design cycle ---------------------------------------------------------
    def _value_count(self):
        return self.int_data(1) + self.int_data(3)

    def _response_count(self):
        return self.int_data(2)

    def ask(self):
        """The designs to evaluate now (an empty list when none come). Only the
        designs the library counts are returned; their values are copies."""
        ids, values = _int_p(), _double_pp()
        marker = self._marker()
        count = self._lib.VARNO_getNextSetOfDesignsFromStudy(byref(ids), byref(values))
        try:
            if count <= 0:
                if not self.complete and self._complained(marker):
                    raise self._error("VARNO_getNextSetOfDesignsFromStudy")
                return []
            width = self._value_count()
            return [Design(ids[k], values[k][:width]) for k in range(count)]
        finally:
            self._lib.VARNO_freePtr(ids)  # both blocks, never the value arrays
            self._lib.VARNO_freePtr(values)

    def _rows(self, rows, width, what):
        """A double** over `rows` (None entries stay NULL) and the buffers it uses."""
        pointers, keep = (_double_p * len(rows))(), []
        for k, row in enumerate(rows):
            if row is None:
                continue
            row = [float(v) for v in row]
            if len(row) != width:
                raise ValueError(f"{what} {k} has {len(row)} values, the study expects {width}")
            buffer = (c_double * width)(*row)
            keep.append(buffer)
            pointers[k] = ctypes.cast(buffer, _double_p)
        return pointers, keep

    @staticmethod
    def _names(names, count):
        if names is None:
            return None
        return (c_char_p * count)(*[_encode(name) for name in names])

    def tell(self, results, names=None):
        """Return results: a mapping id -> response values in study-response
        order, or None / an exception instance for a failed evaluation (error
        flag 1). `names` optionally maps ids to new design names."""
        items = list(dict(results).items())
        count, width = len(items), self._response_count()
        failed = [values is None or isinstance(values, BaseException) for _, values in items]
        rows, keep = self._rows([[0.0] * width if bad else values
                                 for bad, (_, values) in zip(failed, items)], width, "result")
        ids = (c_int * count)(*[design_id for design_id, _ in items])
        flags = (c_int * count)(*[int(bad) for bad in failed])
        labels = None if names is None else self._names(
            [names.get(design_id) for design_id, _ in items], count)
        result = self._lib.VARNO_updateResultsForDesignSet(count, ids, flags, rows, labels)
        if result != 1:
            raise self._error("VARNO_updateResultsForDesignSet", code=result)

    def share(self, designs, evaluation_type=2, results=None, prefix="host", names=None):
        """Share the host's designs (value lists), optionally with results
        (a list holding response lists or None). `evaluation_type` is 1
        (values moved onto the variables' levels) or 2 (kept as given), or a
        list of them. Returns the ids given; a rejected design raises
        VarnoError whose `ids` attribute holds them (0 for a rejected one)."""
        count = len(designs)
        types = [evaluation_type] * count if isinstance(evaluation_type, int) else evaluation_type
        if len(types) != count:
            raise ValueError(f"{len(types)} evaluation types for {count} designs")
        width, n_responses = self._value_count(), self._response_count()
        rows, keep = self._rows(designs, width, "design")
        responses = None
        if results is not None:
            responses, more = self._rows(results, n_responses, "result")
            keep += more
        out = _int_p()
        result = self._lib.VARNO_shareDesigns(
            _encode(prefix), count, (c_int * count)(*types), width, rows, n_responses, responses,
            byref(out), self._names(names, count))
        ids = [out[k] for k in range(count)] if out else []
        self._lib.VARNO_freePtr(out)
        if result != 1:
            raise self._error("VARNO_shareDesigns", ids=ids)
        return ids

    def run(self, evaluate):
        """Ask/evaluate/tell until no designs come. `evaluate(values)` returns
        the response values; an exception it raises marks the design failed."""
        while not self.complete:
            designs = self.ask()
            if not designs:
                break
            results = {}
            for design in designs:
                try:
                    results[design.id] = evaluate(design.values)
                except Exception as failure:  # a failed evaluation, not a host bug
                    results[design.id] = failure
            self.tell(results)
        return self.best()

    @property
    def complete(self):
        """True when no further designs will be produced."""
        return self._lib.VARNO_isStudyComplete() == 1

    @property
    def share_supported(self):
        return self._lib.VARNO_isShareDesignsSupported() == 1

    # --- queries -------------------------------------------------------------
    def performance(self, design_id):
        """Performance (larger is better) of a design, None for an unknown id."""
        value, marker = c_double(), self._marker()
        if self._lib.VARNO_getPerformanceValueForDesign(design_id, byref(value)) == 1:
            return value.value
        if self._complained(marker):
            raise self._error("VARNO_getPerformanceValueForDesign")
        return None

    def status(self, design_id):
        """0 error, 1 evaluated without goals, 2 feasible, 3 infeasible,
        4 not evaluated or unknown id."""
        marker = self._marker()
        status = self._lib.VARNO_getDesignStatus(design_id)
        if status == 0 and self._complained(marker):
            raise self._error("VARNO_getDesignStatus")
        return status

    def best(self):
        """(id, performance) of the best design, or None when there is none."""
        marker = self._marker()
        design_id = self._lib.VARNO_getBestDesignId()
        if design_id == 0:
            if self._complained(marker):
                raise self._error("VARNO_getBestDesignId")
            return None
        return design_id, self.performance(design_id)

    def int_data(self, data_id):
        """Study counts: 0 archive size, 1 variables, 2 responses, 3 numeric
        parameters, 4 objectives, 5 constraints."""
        marker = self._marker()
        value = self._lib.VARNO_getIntStudyData(data_id)
        if value == 0 and self._complained(marker):
            raise self._error("VARNO_getIntStudyData")
        return value

    def pareto(self):
        """The Pareto set as a list of (id, rank)."""
        ids, ranks = _int_p(), _int_p()
        count = self._lib.VARNO_getParetoDesignIds(byref(ids), byref(ranks))
        try:
            if count <= 0:
                raise self._error("VARNO_getParetoDesignIds")
            return [(ids[k], ranks[k]) for k in range(count)]
        finally:
            self._lib.VARNO_freePtr(ids)
            self._lib.VARNO_freePtr(ranks)

    # DOE analysis results: arrays owned by the library, copied out, not freed.
    def _doe(self, call, *counts):
        marker = self._marker()
        pointer = getattr(self._lib, call)(*[byref(count) for count in counts])
        if not pointer and self._complained(marker):
            raise self._error(call)
        return pointer

    def factor_names(self):
        count = c_int()
        names = self._doe("VARNO_getFactorNames", count)
        return [names[k].decode("utf-8", "replace") for k in range(count.value)] if names else []

    def interaction_names(self):
        count = c_int()
        names = self._doe("VARNO_getInteractionNames", count)
        return [(names[k] or b"").decode("utf-8", "replace")
                for k in range(count.value)] if names else []

    def contributions(self):
        count = c_int()
        values = self._doe("VARNO_getPercentContribution", count)
        return values[:count.value] if values else []

    def effects(self):
        """DOE effects: one row per level, one value per column."""
        levels, terms = c_int(), c_int()
        rows = self._doe("VARNO_getDOEEffectsData", levels, terms)
        return [rows[k][:terms.value] for k in range(levels.value)] if rows else []

    # --- result files -----------------------------------------------------------
    def write_report(self):
        self._require("VARNO_generateReportFile")

    def write_design_results(self):
        self._require("VARNO_generateDesignResultsFile")

    def write_study_results(self):
        self._require("VARNO_generateStudyResultsFiles")
