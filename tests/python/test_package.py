"""The package's face: docstrings on every public name and stubs that match it."""

import ast
import inspect
import pathlib
import types

import gxrm

STUB = pathlib.Path(gxrm.__file__).with_name("__init__.pyi")


def public_members(cls):
    """Names a class itself defines for users (enum members and dunders aside)."""
    return {name for name, value in vars(cls).items()
            if not name.startswith("_") and not isinstance(value, cls if isinstance(cls, type) else ())}


def test_every_public_name_has_a_docstring():
    missing = []
    for name in sorted(set(gxrm.__all__) - {"__version__"}):
        value = getattr(gxrm, name)
        if not inspect.getdoc(value):
            missing.append(name)
        if inspect.isclass(value):
            fields = (types.MemberDescriptorType, types.GetSetDescriptorType)  # the class docstring tells them
            missing += [f"{name}.{m}" for m in public_members(value)
                        if not isinstance(vars(value)[m], fields) and not inspect.getdoc(getattr(value, m))]
    assert missing == []
    assert "KeyError" in inspect.getdoc(gxrm.Model.add) and "OSError" in inspect.getdoc(gxrm.Model.save)


def test_stubs_name_what_the_package_has():
    assert (STUB.with_name("py.typed")).exists()
    tree = ast.parse(STUB.read_text(encoding="utf-8"))
    top = {n.name for n in tree.body if isinstance(n, (ast.ClassDef, ast.FunctionDef))}
    top |= {t.id for n in tree.body if isinstance(n, ast.AnnAssign) for t in [n.target]}
    assert set(gxrm.__all__) <= top
    for node in tree.body:
        if not isinstance(node, ast.ClassDef):
            continue
        cls = getattr(gxrm, node.name)
        stubbed = {n.name for n in node.body if isinstance(n, ast.FunctionDef)}
        stubbed |= {n.target.id for n in node.body if isinstance(n, ast.AnnAssign)}
        stubbed |= {t.id for n in node.body if isinstance(n, ast.Assign) for t in n.targets}
        stubbed -= {"__init__"}
        defined = public_members(cls) | set(getattr(cls, "__slots__", ()))
        if isinstance(cls, type) and issubclass(cls, int):  # enums: their members too
            defined |= set(cls.__members__)
        assert {d for d in defined if not d.startswith("_")} <= stubbed, node.name
        source = inspect.getsource(cls)
        assert all(s in defined or f"self.{s} =" in source for s in stubbed), node.name
