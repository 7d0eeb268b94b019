"""Calculation rules as xml.etree.ElementTree elements.

Both directions walk the tree with an explicit stack, so that no nesting depth
can exhaust the interpreter's stack. Whitespace-only text does not survive a
trip through a file: loading drops it.
"""

import re
import xml.etree.ElementTree as ET

from ._errors import DomError

# DOM node types of the events the compiled module reports.
_ELEMENT, _TEXT, _CDATA, _PI, _COMMENT = 1, 3, 4, 7, 8
_INVALID_ARG = 0x80070057

# Characters no XML name holds and that would change the markup around it.
_NOT_A_NAME = re.compile(r"[\s\"'=<>&/?!]|^$")
# A target, then optionally one space and data that does not begin with white
# space: anything else reads back with other white space after the target.
_PI_TEXT = re.compile(r"[^ \t\n]*(?: [^ \t\n][\s\S]*)?")
_TEXT_ESCAPES = str.maketrans({"&": "&amp;", "<": "&lt;", ">": "&gt;", "\r": "&#13;"})
_ATTR_ESCAPES = str.maketrans({"&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;",
                               "\n": "&#10;", "\r": "&#13;", "\t": "&#9;"})


def from_events(events):
    """One ElementTree element from the module's (depth, type, name,
    attributes, text) events of one rule in document order."""
    stack = []
    for depth, kind, name, attributes, text in events:
        del stack[depth:]
        if kind in (_TEXT, _CDATA):
            _add_text(stack[-1], text)
            continue
        if kind == _ELEMENT:
            node = ET.Element(name, attributes)
        elif kind == _COMMENT:
            node = ET.Comment(text)
        elif kind == _PI:
            node = ET.ProcessingInstruction(name, text or None)
        else:
            continue
        if stack:
            stack[-1].append(node)
        stack.append(node)
    return stack[0] if stack else None


def _add_text(parent, text):
    if len(parent):
        last = parent[-1]
        last.tail = (last.tail or "") + text
    else:
        parent.text = (parent.text or "") + text


def to_xml(rules):
    """The XML text of the rules inside one holder element; tails of the rules
    themselves are not part of a rule and are left out."""
    return "<r>" + "".join(rule_xml(rule) for rule in rules) + "</r>"


def rule_xml(rule):
    """The XML text of one rule, its own tail left out."""
    if not ET.iselement(rule) or not isinstance(rule.tag, str):
        raise TypeError(f"a calculation rule must be an ElementTree element, not {rule!r}")
    out = []
    _write(rule, out)
    return "".join(out)


def rule_key(rule):
    """A value that compares equal for rules with equal content."""
    out = []
    _write(rule, out)
    return "".join(out)


def _write(rule, out):
    stack = [(rule, False, True)]
    while stack:
        node, closing, top = stack.pop()
        if closing:
            out.append(f"</{node.tag}>")
        elif _open(node, out):
            stack.append((node, True, top))
            stack.extend((child, False, False) for child in reversed(node))
            continue
        if not top and node.tail:
            out.append(_text(node.tail))


def _open(node, out):
    """Writes a node's opening markup; True when its children and end tag follow."""
    if node.tag is ET.Comment:
        text = _str(node.text or "", "comment")
        _refuse("--" in text or text.endswith("-"), "a comment cannot hold '--' or end in '-'")
        _refuse("\r" in text, "a comment cannot hold a carriage return")
        out.append(f"<!--{text}-->")
        return False
    if node.tag is ET.ProcessingInstruction:
        text = _str(node.text or "", "processing instruction")
        _refuse("?>" in text, "a processing instruction cannot hold '?>'")
        _refuse("\r" in text, "a processing instruction cannot hold a carriage return")
        _refuse(not _PI_TEXT.fullmatch(text),
                "a processing instruction's target and data are parted by one space")
        out.append(f"<?{text}?>")
        return False
    out.append(_start_tag(node))
    if node.text:
        out.append(_text(node.text))
    return True


def _start_tag(node):
    parts = [_name(node.tag)]
    for name, value in node.attrib.items():
        parts.append(f'{_name(name)}="{_str(value, "attribute value").translate(_ATTR_ESCAPES)}"')
    return "<" + " ".join(parts) + ">"


def _name(name):
    _str(name, "name")
    _refuse(_NOT_A_NAME.search(name), f"{name!r} is no legal XML name")
    return name


def _text(text):
    return _str(text, "text").translate(_TEXT_ESCAPES)


def _refuse(condition, message):
    if condition:
        raise DomError(message, _INVALID_ARG)


def _str(value, what):
    if not isinstance(value, str):
        raise TypeError(f"{what} must be str, not {type(value).__name__}")
    return value
