#!/usr/bin/env python3
"""The administrative templates against the product's table of policies (store/policy.h).

Checks what a Group Policy editor relies on: the schema's namespace in both files, unique names and
ids, every string, presentation, category and supportedOn that is referenced exists, every
presentation's box names an element of its policy; and that the templates set exactly the values
Tarnwick reads, of the same kind and range, under the same key, for the computer and the user.

Usage: policy_templates_test.py POLICY_H ADMX ADML
"""
import re
import sys
import xml.etree.ElementTree as ET

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
Q = "{%s}" % NS
REF = re.compile(r"^\$\((string|presentation)\.([A-Za-z0-9_.]+)\)$")

failures = []


def fail(message):
    failures.append(message)


def product_table(header_text):
    """(key, [(name, kind, least, most)]) from the C++ table."""
    key = re.search(r'kPolicyKey\s*=\s*L"((?:[^"\\]|\\.)*)"', header_text)
    body = re.search(r"kPolicySettings\[\]\s*=\s*\{(.*?)\n\};", header_text, re.S)
    if not key or not body:
        sys.exit("policy.h: no kPolicyKey or kPolicySettings table found")
    rows = re.findall(r'\{L"(\w+)",\s*PolicyKind::(\w+),\s*(\d+),\s*(\d+),', body.group(1))
    if not rows:
        sys.exit("policy.h: the table has no rows that read")
    return key.group(1).replace("\\\\", "\\"), [(n, k, int(a), int(b)) for n, k, a, b in rows]


def check_ref(text, kind, known, where):
    match = REF.match(text or "")
    if not match or match.group(1) != kind:
        fail(f"{where}: {text!r} is no $({kind}.id) reference")
    elif match.group(2) not in known:
        fail(f"{where}: {text} names no {kind} of the .adml")


def unique(ids, what):
    seen = set()
    for i in ids:
        if i in seen:
            fail(f"{what} {i!r} is defined twice")
        seen.add(i)
    return seen


def main(header_path, admx_path, adml_path):
    with open(header_path, encoding="utf-8") as f:
        key, table = product_table(f.read())
    admx = ET.parse(admx_path).getroot()
    adml = ET.parse(adml_path).getroot()
    for root, tag in ((admx, "policyDefinitions"), (adml, "policyDefinitionResources")):
        if root.tag != Q + tag:
            fail(f"root element is {root.tag}, not {Q + tag}")

    strings = unique([s.get("id") for s in adml.iter(Q + "string")], "string")
    presentations = unique([p.get("id") for p in adml.iter(Q + "presentation")], "presentation")
    target = admx.find(f"{Q}policyNamespaces/{Q}target")
    if target is None or not target.get("prefix") or not target.get("namespace"):
        fail("the .admx has no target namespace with a prefix")
    categories = unique([c.get("name") for c in admx.iter(Q + "category")], "category")
    supported = unique([d.get("name") for d in admx.iter(Q + "definition")], "supportedOn")
    for element in admx.iter():
        for attribute in ("displayName", "explainText"):
            if element.get(attribute) is not None:
                check_ref(element.get(attribute), "string", strings, f"{element.get('name')}")

    policies = admx.findall(f"{Q}policies/{Q}policy")
    unique([p.get("name") for p in policies], "policy")
    unique([e.get("id") for p in policies for e in p.find(Q + "elements") or []], "element id")
    found = {}
    for policy in policies:
        name = policy.get("name")
        if policy.get("class") != "Both":
            fail(f"{name}: class {policy.get('class')!r}, not Both (computer and user)")
        if policy.get("key") != key:
            fail(f"{name}: key {policy.get('key')!r}, not {key!r}")
        parent = policy.find(Q + "parentCategory")
        if parent is None or parent.get("ref") not in categories:
            fail(f"{name}: no parent category of the .admx")
        support = policy.find(Q + "supportedOn")
        if support is None or support.get("ref") not in supported:
            fail(f"{name}: no supportedOn of the .admx")
        elements = list(policy.find(Q + "elements") or [])
        if policy.get("valueName"):
            on = policy.find(f"{Q}enabledValue/{Q}decimal")
            off = policy.find(f"{Q}disabledValue/{Q}decimal")
            values = (on.get("value") if on is not None else None,
                      off.get("value") if off is not None else None)
            found.setdefault(policy.get("valueName"), []).append(("Flag", values, name))
            if policy.get("presentation"):
                fail(f"{name}: a switch policy with a presentation")
        for element in elements:
            found.setdefault(element.get("valueName"), []).append(
                (element.tag[len(Q):], (element.get("minValue"), element.get("maxValue")), name))
        if elements:
            check_ref(policy.get("presentation"), "presentation", presentations, name)
            ref = REF.match(policy.get("presentation") or "")
            shown = adml.find(f".//{Q}presentation[@id='{ref.group(2) if ref else ''}']")
            boxes = [] if shown is None else list(shown)
            ids = {e.get("id") for e in elements}
            if sorted(b.get("refId") for b in boxes) != sorted(ids):
                fail(f"{name}: the presentation's boxes {[b.get('refId') for b in boxes]} "
                     f"are not its elements {sorted(ids)}")
            for box, element in ((b, e) for b in boxes for e in elements
                                 if b.get("refId") == e.get("id")):
                if element.tag == Q + "decimal" and box.tag != Q + "decimalTextBox":
                    fail(f"{name}: {box.get('refId')} is shown in a {box.tag}, not a decimalTextBox")
                default = int(box.get("defaultValue", element.get("minValue")))
                if not int(element.get("minValue")) <= default <= int(element.get("maxValue")):
                    fail(f"{name}: default {default} outside its own range")

    names = {row[0] for row in table}
    for value in sorted(set(found) - names):
        fail(f"the templates set {value!r}, which Tarnwick does not read")
    for value, kind, least, most in table:
        entries = found.get(value, [])
        if len(entries) != 1:
            fail(f"{value}: {len(entries)} policies set it, not one")
            continue
        tag, values, name = entries[0]
        if kind == "Flag":
            if tag != "Flag" or values != ("1", "0") or (least, most) != (0, 1):
                fail(f"{value}: the template's {name} is {tag} {values}, the table's {kind} "
                     f"{least}..{most}")
        elif kind == "Seconds":
            if tag != "decimal" or values != (str(least), str(most)):
                fail(f"{value}: the template's {name} is {tag} {values}, the table's seconds "
                     f"{least}..{most}")
        else:
            fail(f"{value}: kind {kind} unknown to this test")

    for message in failures:
        print("policy templates:", message)
    if failures:
        return 1
    print(f"policy templates: {len(table)} policies, the same in the templates and the table")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
