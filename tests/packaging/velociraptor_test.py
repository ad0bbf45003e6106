#!/usr/bin/env python3
"""The Velociraptor artifact is valid YAML, names the built qv6scan.exe as its
command, and qv6scan run under Wine with the artifact's own arguments prints
lines that each parse and hold every field the query reads.
    velociraptor_test.py <artifact> <bin folder> <build folder>"""
import json
import ntpath
import os
import re
import subprocess
import sys

import yaml

artifact, bin_dir, build_dir = sys.argv[1:4]


def check(ok, message):
    if not ok:
        sys.exit("FAIL: " + message)


with open(artifact, encoding="utf-8") as f:
    doc = yaml.safe_load(f)
check(all(k in doc for k in ("name", "description", "parameters", "sources")) and
      doc.get("type") == "CLIENT", "not a client artifact")
params = {p["name"]: p.get("default") for p in doc["parameters"]}
query = "\n".join(s["query"] for s in doc["sources"])
argv = re.search(r"argv=\[([^\]]*)\]", query)
check(argv, "no execve argv in the query")
items = [i.strip() for i in argv.group(1).split(",")]
check(params.get(items[0]), "the program is no parameter with a default")
check(all(re.fullmatch(r'"[^"]*"', i) for i in items[1:]), "arguments that are not literals")
exe = os.path.join(bin_dir, ntpath.basename(params[items[0]]))
check(os.path.isfile(exe), exe + " is not built")

env = dict(os.environ)
env.setdefault("WINEPREFIX", os.path.join(build_dir, "wineprefix"))
run = subprocess.run(["wine", exe] + [i[1:-1] for i in items[1:]], cwd=bin_dir, env=env,
                     capture_output=True, timeout=300)
check(run.returncode in (0, 1), "qv6scan ended with %d: %s" % (run.returncode, run.stderr))
lines = run.stdout.decode("utf-8").split("\n")
check(lines[-1] == "" and len(lines) > 1, "no entries, or the last line is not ended")
fields = set(re.findall(r"\bE\.(\w+)", query))
for line in lines[:-1]:
    entry = json.loads(line)  # each line on its own
    check(isinstance(entry, dict) and fields <= set(entry),
          "fields qv6scan does not print: %s" % sorted(fields - set(entry)))
print("%s: %d entries, %d fields read" % (doc["name"], len(lines) - 1, len(fields)))
