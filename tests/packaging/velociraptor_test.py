#!/usr/bin/env python3
"""The Velociraptor artifact: valid YAML with what Velociraptor needs, and the
command it names is the built qv6scan.exe, whose output under Wine with the
artifact's own arguments has every field the artifact's query reads.
    velociraptor_test.py <artifact> <bin folder> <build folder>"""
import json
import ntpath
import os
import re
import subprocess
import sys

import yaml

artifact, bin_dir, build_dir = sys.argv[1:4]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


with open(artifact, encoding="utf-8") as f:
    doc = yaml.safe_load(f)
for key in ("name", "description", "type", "parameters", "sources"):
    if key not in doc:
        fail("no " + key)
if doc["type"] != "CLIENT" or not re.fullmatch(r"[A-Za-z0-9]+(\.[A-Za-z0-9]+)+", doc["name"]):
    fail("name or type")
params = {p["name"]: p for p in doc["parameters"]}
query = "\n".join(s["query"] for s in doc["sources"])

# The command line: argv=[Parameter, "--option", "value", ...].
argv = re.search(r"argv=\[([^\]]*)\]", query)
if not argv:
    fail("no execve argv in the query")
items = [i.strip() for i in argv.group(1).split(",")]
program = params.get(items[0], {}).get("default")
if not program:
    fail("the program is not a parameter with a default: " + items[0])
args = []
for item in items[1:]:
    if not re.fullmatch(r'"[^"]*"', item):
        fail("not a literal argument: " + item)
    args.append(item[1:-1])
exe = os.path.join(bin_dir, ntpath.basename(program))
if not os.path.isfile(exe):
    fail(ntpath.basename(program) + " is not a built program")
if not all(p in query for p in params):
    fail("a parameter the query does not use")

env = dict(os.environ)
env.setdefault("WINEPREFIX", os.path.join(build_dir, "wineprefix"))
env.setdefault("WINEDEBUG", "-all")
run = subprocess.run(["wine", exe] + args, cwd=bin_dir, env=env, capture_output=True,
                     timeout=300)
if run.returncode not in (0, 1):
    fail("qv6scan %s ended with %d: %s" % (" ".join(args), run.returncode, run.stderr))
lines = run.stdout.decode("utf-8").split("\n")
if lines[-1] != "" or len(lines) < 2:
    fail("no entries, or the last line is not ended")
fields = set(re.findall(r"\bE\.(\w+)", query))
for line in lines[:-1]:
    entry = json.loads(line)  # each line on its own
    if not isinstance(entry, dict):
        fail("a line that is no object: " + line)
    missing = fields - set(entry)
    if missing:
        fail("the query reads fields qv6scan does not print: %s" % sorted(missing))
print("artifact %s: %d entries, %d fields read" % (doc["name"], len(lines) - 1, len(fields)))
