#!/usr/bin/env python3
"""Publishes an update of Quorvik 6 for any static web server.

    publish_update.py publish --key PRIVATE.pem --files FOLDER --out SERVER --version V
                              [--expires YYYY-MM-DDTHH:MM:SSZ] [--answer N]
                              [--exclude PATTERN ...]
    publish_update.py sign --key PRIVATE.pem FILE      (writes FILE.sig)
    publish_update.py keygen PRIVATE.pem PUBLIC.pem

"publish" turns FOLDER (the files of the new version, laid out as they lie
beside qv6.exe) into SERVER/update/:

    checkforupdate.php   the answer to the update check, "1 <version>" (a newer
                         version exists, and which); a static server ignores
                         the query string
    filelist.txt         the list update.exe installs
    filelist.txt.sig     ECDSA P-256 signature (DER) over the exact bytes of
                         filelist.txt, SHA-256
    <the files>          under their names in the list

Serve SERVER (for instance "python3 -m http.server 80" inside it) and name the
server in the [Server] Host setting of qv6.ini.

filelist.txt is bytes, LF line ends:

    QV6FILELIST 2
    version <the version it installs, e.g. 6.03>
    expires <UTC time after which it must not be installed, e.g. 2027-06-30T00:00:00Z>
    <sha256 as 64 lower-case hex digits> <size in bytes, decimal> <name>

then one line per file, sorted by name. update.exe refuses a list whose
version is not newer than the installed qv6.exe, differs from the version the
update check announced, or has expired; so an old release replayed by someone
on the path, or an old list served for ever, installs nothing. --expires
defaults to 90 days from now. <name> is the path below the program's
folder with "/" between the parts: printable ASCII, no drive, no leading
slash, no "..", no ":", none of *?"<>|, no part ending in a dot or blank, no
device name (CON, NUL, COM1 ...). update.exe refuses the whole list if any
line breaks these rules.

update.exe itself is never published: a running program cannot safely replace
its own file, so a new updater comes with a new installation. Nor are the
updater's own files (update.ini, update.log, update.dat, update.staging/,
update.backup/).

The private key is a PEM file of a P-256 key (openssl ecparam -name
prime256v1 ...); if it is encrypted, its pass phrase is read from the
environment variable QV6_UPDATE_KEY_PASSWORD. update.exe must be built with
the matching public key (cmake -DQV6_UPDATE_PUBLIC_KEY=PUBLIC.pem).

Needs python3-cryptography.
"""
import argparse
import datetime
import re
import fnmatch
import hashlib
import os
import shutil
import sys

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec

HEADER = b"QV6FILELIST 2\n"
NEVER_PUBLISHED = {"update.exe", "update.ini", "update.log", "update.dat"}
UPDATER_FOLDERS = {"update.staging", "update.backup"}
DEVICES = {"CON", "PRN", "AUX", "NUL"} | {f"{d}{n}" for d in ("COM", "LPT") for n in range(1, 10)}
MAX_NAME = 200


def fail(message):
    print("publish_update: " + message, file=sys.stderr)
    sys.exit(1)


def name_problem(name):
    """Why update.exe would refuse the name, or None."""
    if not name or len(name) > MAX_NAME:
        return "empty or too long"
    if any(ord(c) < 0x20 or ord(c) > 0x7E for c in name):
        return "not printable ASCII"
    if ".." in name:
        return "contains '..'"
    if any(c in name for c in ':*?"<>|\\'):
        return "contains one of :*?\"<>|\\"
    for part in name.split("/"):
        if not part:
            return "empty part (leading, doubled or trailing '/')"
        if part[-1] in ". " or part[0] == " ":
            return "a part begins with a blank or ends with a dot or blank"
        if part.split(".")[0].rstrip(" ").upper() in DEVICES:
            return "device name"
    return None


def load_key(path):
    with open(path, "rb") as f:
        data = f.read()
    password = os.environ.get("QV6_UPDATE_KEY_PASSWORD")
    key = serialization.load_pem_private_key(data, password.encode() if password else None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        fail(path + " is no P-256 (prime256v1) private key")
    return key


def sign(key, data):
    return key.sign(data, ec.ECDSA(hashes.SHA256()))


def collect(folder, excludes):
    """(name, path) of every file below folder that belongs to the update."""
    found = []
    for top, dirs, files in os.walk(folder):
        rel_top = os.path.relpath(top, folder).replace(os.sep, "/")
        rel_top = "" if rel_top == "." else rel_top + "/"
        if rel_top == "":
            dirs[:] = [d for d in dirs if d.lower() not in UPDATER_FOLDERS]
        dirs.sort()
        for f in sorted(files):
            name = rel_top + f
            if any(fnmatch.fnmatch(name, p) for p in excludes):
                continue
            if name.lower() in NEVER_PUBLISHED:
                print(f"publish_update: leaving out {name} (the updater's own file)")
                continue
            problem = name_problem(name)
            if problem:
                fail(f"{name}: {problem}; update.exe would refuse the list")
            found.append((name, os.path.join(top, f)))
    return sorted(found)


def publish(args):
    key = load_key(args.key)
    files = collect(args.files, args.exclude or [])
    if not files:
        fail("no files in " + args.files)
    update = os.path.join(args.out, "update")
    if os.path.isdir(update):
        shutil.rmtree(update)
    os.makedirs(update)
    if not re.fullmatch(r"\d{1,5}(\.\d{1,5}){0,3}", args.version):
        fail("--version must be numbers with dots, e.g. 6.03: " + args.version)
    expires = args.expires
    if expires is None:
        later = datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(days=90)
        expires = later.strftime("%Y-%m-%dT%H:%M:%SZ")
    elif not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", expires):
        fail("--expires must be YYYY-MM-DDTHH:MM:SSZ (UTC): " + expires)
    lines = [HEADER, f"version {args.version}\n".encode("ascii"),
             f"expires {expires}\n".encode("ascii")]
    for name, path in files:
        with open(path, "rb") as f:
            data = f.read()
        target = os.path.join(update, *name.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(data)
        digest = hashlib.sha256(data).hexdigest()
        lines.append(f"{digest} {len(data)} {name}\n".encode("ascii"))
    listing = b"".join(lines)
    with open(os.path.join(update, "filelist.txt"), "wb") as f:
        f.write(listing)
    with open(os.path.join(update, "filelist.txt.sig"), "wb") as f:
        f.write(sign(key, listing))
    with open(os.path.join(update, "checkforupdate.php"), "wb") as f:
        answer = f"{args.answer} {args.version}" if args.answer == 1 else str(args.answer)
        f.write(answer.encode("ascii"))
    print(f"publish_update: {len(files)} files in {update}")


def sign_file(args):
    key = load_key(args.key)
    with open(args.file, "rb") as f:
        data = f.read()
    with open(args.file + ".sig", "wb") as f:
        f.write(sign(key, data))


def keygen(args):
    for path in (args.private, args.public):
        if os.path.exists(path):
            fail(path + " exists; not overwritten")
    key = ec.generate_private_key(ec.SECP256R1())
    password = os.environ.get("QV6_UPDATE_KEY_PASSWORD")
    encryption = (serialization.BestAvailableEncryption(password.encode()) if password
                  else serialization.NoEncryption())
    fd = os.open(args.private, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  encryption))
    with open(args.public, "wb") as f:
        f.write(key.public_key().public_bytes(serialization.Encoding.PEM,
                                              serialization.PublicFormat.SubjectPublicKeyInfo))
    print(f"publish_update: keep {args.private} secret and off the web server; "
          f"build update.exe with -DQV6_UPDATE_PUBLIC_KEY={args.public}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("publish")
    p.add_argument("--key", required=True)
    p.add_argument("--files", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--version", required=True, help="the version the list installs, e.g. 6.03")
    p.add_argument("--expires", help="UTC time after which it must not be installed "
                                     "(YYYY-MM-DDTHH:MM:SSZ; default: 90 days from now)")
    p.add_argument("--answer", type=int, default=1)
    p.add_argument("--exclude", action="append", help="fnmatch pattern of names to leave out")
    p.set_defaults(run=publish)
    s = sub.add_parser("sign")
    s.add_argument("--key", required=True)
    s.add_argument("file")
    s.set_defaults(run=sign_file)
    k = sub.add_parser("keygen")
    k.add_argument("private")
    k.add_argument("public")
    k.set_defaults(run=keygen)
    args = parser.parse_args()
    args.run(args)


if __name__ == "__main__":
    main()
