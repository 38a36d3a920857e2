"""What the deployment tests share: a launcher run whose whole exit status is
read by a Windows-side parent (tests/e2e/tools/exit_status.cpp; a Unix
parent sees only the low 8 bits, so 1618 would arrive as 82), and the
report's check against launcher/report.schema.json."""
import json
import os
import re
import tempfile

from harness import EXIT_STATUS, SOURCE, run

SCHEMA_FILE = os.path.join(SOURCE, "launcher", "report.schema.json")
BUSY_LINE = ("Another firmware update is running on this computer. Wait for it to end, "
             "then start it again.\r\n")


def launch(kit, args, env=None):
    """Runs the kit's launcher under exit_status; (status, stdout bytes)."""
    # One file per run: two runs may be under way at once.
    handle, status_file = tempfile.mkstemp(prefix="status-", dir=kit.root)
    os.close(handle)
    _, out, err = run(EXIT_STATUS, [status_file, "Quillet.exe", *args], cwd=kit.path, env=env,
                      timeout=180)
    with open(status_file) as f:
        text = f.read().strip()
    os.remove(status_file)
    if not text.isdigit():
        raise AssertionError("the launcher did not start: %r %r" % (text, err))
    return int(text), out


def schema_problems(value, schema, root, where="report"):
    """The report's departures from the schema: the keywords the schema file
    uses (type, enum, pattern, required, properties, additionalProperties,
    items, $ref), so that no library is needed to read it."""
    if "$ref" in schema:
        schema = root["$defs"][schema["$ref"].rsplit("/", 1)[1]]
    problems = []
    kinds = {"object": dict, "array": list, "string": str, "null": type(None),
             "boolean": bool}
    if "type" in schema:
        wanted = schema["type"] if isinstance(schema["type"], list) else [schema["type"]]

        def fits(kind):
            if kind == "integer":
                return isinstance(value, int) and not isinstance(value, bool)
            return isinstance(value, kinds[kind])
        if not any(fits(kind) for kind in wanted):
            return ["%s: %r is not %s" % (where, value, " or ".join(wanted))]
    if "enum" in schema and value not in schema["enum"]:
        problems.append("%s: %r is not one of %r" % (where, value, schema["enum"]))
    if "pattern" in schema and isinstance(value, str) and not re.search(schema["pattern"], value):
        problems.append("%s: %r does not match %s" % (where, value, schema["pattern"]))
    if isinstance(value, dict):
        for name in schema.get("required", []):
            if name not in value:
                problems.append("%s: no member %s" % (where, name))
        properties = schema.get("properties", {})
        for name, member in value.items():
            if name in properties:
                problems += schema_problems(member, properties[name], root, where + "." + name)
            elif schema.get("additionalProperties") is False:
                problems.append("%s: member %s is not in the schema" % (where, name))
    if isinstance(value, list) and "items" in schema:
        for i, item in enumerate(value):
            problems += schema_problems(item, schema["items"], root, "%s[%d]" % (where, i))
    return problems


def read_report(path):
    """The report, after checking it against the schema; AssertionError if it
    departs from it."""
    with open(SCHEMA_FILE) as f:
        schema = json.load(f)
    with open(path, "rb") as f:
        report = json.loads(f.read().decode("ascii"))
    problems = schema_problems(report, schema, schema)
    if problems:
        raise AssertionError("report departs from its schema:\n" + "\n".join(problems))
    return report
