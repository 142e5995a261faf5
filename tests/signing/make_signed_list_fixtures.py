#!/usr/bin/env python3
"""Makes the signed-list fixtures with the real key tool, at test time.

    make_signed_list_fixtures.py SIGN_RELEASE_SCRIPT OUTDIR

Each case is a folder of OUTDIR holding atualiza.pub, SHA256SUMS,
SHA256SUMS.minisig, optionally last-accepted (the folder's last accepted
signing time), digests (what sha256sum computed for the release's files:
hex, a tab, the name) and minisign-verdict ("verified" or "failed": what
`minisign -V` says of the same three files). The Windows test run reads
them, as it cannot run the tool itself.
"""
import base64
import os
import shutil
import subprocess
import sys

sign_release, out = sys.argv[1], sys.argv[2]
work = os.path.join(out, ".work")
shutil.rmtree(out, ignore_errors=True)
os.makedirs(work)


def run(*args, **kw):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, **kw)


def make_key(name):
    pub, sec = os.path.join(work, name + ".pub"), os.path.join(work, name + ".key")
    run("minisign", "-G", "-W", "-p", pub, "-s", sec)
    return pub, sec


key_a = make_key("a")
key_b = make_key("b")

# A release as the maker uploads it: a name with blanks, the archive, a note.
release = os.path.join(work, "release")
os.makedirs(os.path.join(release, "Arquivos_dlls"))
files = {
    "App_Vezra_Lista.exe": b"MZ program bytes\x00\x01\x02",
    "Manual da Loja.pdf": b"%PDF- a manual with blanks in its name",
    "Sys_Brevant.rar": b"Rar!\x1a\x07\x00 archive",
    "LEIAME.TXT": b"leia-me\r\n",
}
for name, data in files.items():
    with open(os.path.join(release, name), "wb") as f:
        f.write(data)
subprocess.run([sign_release, release, key_a[1]], check=True, stdout=subprocess.DEVNULL)
with open(os.path.join(release, "SHA256SUMS"), "rb") as f:
    release_sums = f.read()
digests = b""
for line in release_sums.splitlines():
    digests += line[:64] + b"\t" + line[66:] + b"\n"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def sign(sums, key, legacy=False, comment=None):
    path = os.path.join(work, "SHA256SUMS")
    with open(path, "wb") as f:
        f.write(sums)
    args = ["minisign", "-S", "-s", key[1], "-m", path, "-x", path + ".minisig"]
    if legacy:
        args.append("-l")
    if comment is not None:
        args += ["-t", comment]
    run(*args)
    return read(path + ".minisig")


def flip_in_base64_line(sig, line, byte):
    lines = sig.split(b"\n")
    raw = bytearray(base64.b64decode(lines[line]))
    raw[byte] ^= 0x01
    lines[line] = base64.b64encode(bytes(raw))
    return b"\n".join(lines)


def flip_byte(data, at):
    raw = bytearray(data)
    raw[at] ^= 0x01
    return bytes(raw)


def trusted_timestamp(sig):
    comment = sig.split(b"\n")[2]
    return int(comment.split(b"timestamp:")[1].split(b"\t")[0])


def case(name, sums, sig, pub=key_a[0], last_accepted=None, now=None):
    folder = os.path.join(out, name)
    os.makedirs(folder)
    with open(os.path.join(folder, "SHA256SUMS"), "wb") as f:
        f.write(sums)
    with open(os.path.join(folder, "SHA256SUMS.minisig"), "wb") as f:
        f.write(sig)
    shutil.copy(pub, os.path.join(folder, "atualiza.pub"))
    with open(os.path.join(folder, "digests"), "wb") as f:
        f.write(digests)
    if last_accepted is not None:
        with open(os.path.join(folder, "last-accepted"), "w") as f:
            f.write(str(last_accepted))
    if now is not None:  # the computer's clock for the check, when it matters
        with open(os.path.join(folder, "now"), "w") as f:
            f.write(str(now))
    verdict = subprocess.run(
        ["minisign", "-V", "-q", "-p", os.path.join(folder, "atualiza.pub"),
         "-m", os.path.join(folder, "SHA256SUMS"),
         "-x", os.path.join(folder, "SHA256SUMS.minisig")],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    with open(os.path.join(folder, "minisign-verdict"), "w") as f:
        f.write("verified" if verdict == 0 else "failed")


good_sig = read(os.path.join(release, "SHA256SUMS.minisig"))
stamp = trusted_timestamp(good_sig)
case("good-prehashed", release_sums, good_sig)
legacy_sig = sign(release_sums, key_a, legacy=True)
case("good-legacy", release_sums, legacy_sig)

# The same digests in every form sha256sum writes or reads: CR LF line
# ends, the binary marker, upper-case hex.
styled = b""
for i, line in enumerate(release_sums.splitlines()):
    hexpart, name = line[:64], line[66:]
    if i % 2 == 0:
        hexpart = hexpart.upper()
    styled += hexpart + (b" *" if i % 2 else b"  ") + name + b"\r\n"
case("styles-crlf-star-upper", styled, sign(styled, key_a))

case("wrong-key", release_sums, good_sig, pub=key_b[0])
case("signature-bit", release_sums, flip_in_base64_line(good_sig, 1, 40))
case("key-id-bit", release_sums, flip_in_base64_line(good_sig, 1, 3))
case("algorithm-unknown", release_sums, flip_in_base64_line(good_sig, 1, 1))
comment_at = good_sig.index(b"timestamp:") + len(b"timestamp:") + 3
case("trusted-comment-bit", release_sums, flip_byte(good_sig, comment_at))
case("global-signature-bit", release_sums, flip_in_base64_line(good_sig, 3, 10))
case("sums-bit", flip_byte(release_sums, 70), good_sig)
case("sums-bit-legacy", flip_byte(release_sums, 70), legacy_sig)
case("sums-truncated", release_sums[:-20], good_sig)
case("signature-truncated", release_sums, b"\n".join(good_sig.split(b"\n")[:3]) + b"\n")
case("rewritten-list-old-signature",
     release_sums + b"0" * 64 + b"  extra.exe\n", good_sig)

big = release_sums + (b"0" * 64 + b"  padding.bin\n") * (4 * 1024 * 1024 // 78 + 1)
case("sums-oversized", big, sign(big, key_a))
huge_comment = (b"untrusted comment: " + b"x" * 4200 + b"\n" +
                b"\n".join(good_sig.split(b"\n")[1:]))
case("signature-oversized", release_sums, huge_comment)
with open(os.path.join(work, "junk.pub"), "wb") as f:
    f.write(b"untrusted comment: not a key\nbm90IGEga2V5IGF0IGFsbA==\n")
case("public-key-garbled", release_sums, good_sig, pub=os.path.join(work, "junk.pub"))

case("no-timestamp", release_sums, sign(release_sums, key_a, comment="release 7\tfile:SHA256SUMS"))
case("older-than-accepted", release_sums, good_sig, last_accepted=stamp + 1)
case("same-as-accepted", release_sums, good_sig, last_accepted=stamp)
case("newer-than-accepted", release_sums, good_sig, last_accepted=stamp - 86400)

dup = release_sums + release_sums.splitlines(keepends=True)[0]
case("duplicate-name", dup, sign(dup, key_a))
short = release_sums.replace(release_sums[:64], release_sums[:63], 1)
case("short-digest", short, sign(short, key_a))

# Lists the maker gave an expiry: signed by the script with --valid-days (the
# check read at a computer time inside it and a second after it), by hand
# with an expiry a day before the signing time, and with one no number.
subprocess.run([sign_release, "--valid-days", "30", release, key_a[1]], check=True,
               stdout=subprocess.DEVNULL)
valid_sig = read(os.path.join(release, "SHA256SUMS.minisig"))
valid_stamp = trusted_timestamp(valid_sig)
valid_until = int(valid_sig.split(b"expires:")[1].split(b"\t")[0])
assert valid_until == valid_stamp + 30 * 86400
case("expires-fresh", release_sums, valid_sig, now=valid_stamp + 3600)
case("expires-last-second", release_sums, valid_sig, now=valid_until)
case("expires-passed", release_sums, valid_sig, now=valid_until + 1)
case("expired", release_sums, sign(release_sums, key_a, comment="timestamp:%d\texpires:%d\t"
                                   "file:SHA256SUMS\thashed" % (stamp, stamp - 86400)))
case("expires-unreadable", release_sums, sign(release_sums, key_a, comment="timestamp:%d\t"
                                              "expires:soon\tfile:SHA256SUMS" % stamp))

shutil.rmtree(work)
