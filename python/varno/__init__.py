"""Python binding of the VARNO design-exploration and optimisation engine.

The shared library is found through the environment variable VARNO_LIBRARY,
else next to the package or in build/default/src, else on the system path.

    with varno.Study(directory, {"deleteResults": True}) as study:
        study.create("sphere")
        ...
        study.finalize()
        while not study.complete:
            designs = study.ask()
            if not designs:
                break
            study.tell({d.id: [f(d.values)] for d in designs})
        print(study.best())
"""
from ._lib import library_path, load_library
from .study import Design, Study, VarnoError, build_number, definition_text

__all__ = ["Study", "Design", "VarnoError", "definition_text", "build_number",
           "load_library", "library_path"]
