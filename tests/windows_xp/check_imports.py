#!/usr/bin/env python3
"""Fails, saying why, when a Windows program would not load on the oldest Windows it is for.

usage: check_imports.py PROGRAM LIST

Every function the program imports must be on LIST (the functions that Windows has there, by DLL); the versions
in its PE header must be no later than that Windows; a DLL whose section is marked "exact" must be imported by
exactly the names listed; and its manifest must be one that the Windows XP loader accepts. It only reads the
file, so it checks a 32-bit build without a 32-bit Wine.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree

# Machine: (architecture tag in LIST, oldest Windows, its version).
MACHINES = {0x14C: ("x86", "Windows XP SP3", (5, 1)), 0x8664: ("x64", "Windows XP x64 / Server 2003", (5, 2))}
RT_MANIFEST = 24


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or data[self._u32(0x3C) : self._u32(0x3C) + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        coff = self._u32(0x3C) + 4
        self.machine, section_count = struct.unpack_from("<HH", data, coff)
        optional = coff + 20
        pe32 = struct.unpack_from("<H", data, optional)[0] == 0x10B
        # PE32 and PE32+ keep the versions at the same offsets; the data directories move.
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        directories = optional + (96 if pe32 else 112)
        self._thunk = (4, 1 << 31) if pe32 else (8, 1 << 63)
        table = optional + struct.unpack_from("<H", data, coff + 16)[0]
        # (virtual address, virtual size, file offset, file size) of each section
        self._sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(section_count)]
        self._sections = [(va, max(vsize, rawsize), raw) for vsize, va, rawsize, raw in self._sections]
        self.import_rva, self.resource_rva = self._u32(directories + 8), self._u32(directories + 16)

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for va, size, raw in self._sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def _text(self, rva):
        start = self.offset(rva)
        return self.data[start : self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """[(dll, function or '#ordinal')] in the order of the import table."""
        found = []
        descriptor = self.offset(self.import_rva) if self.import_rva else None
        while descriptor is not None:
            lookup, _, _, name, bound = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                break
            size, by_ordinal = self._thunk
            entry_at = self.offset(lookup or bound)
            while entry := int.from_bytes(self.data[entry_at : entry_at + size], "little"):
                function = f"#{entry & 0xFFFF}" if entry & by_ordinal else self._text((entry & 0x7FFFFFFF) + 2)
                found.append((self._text(name), function))
                entry_at += size
            descriptor += 20
        return found

    def resource(self, kind, ident):
        """The bytes of resource kind/ident in its first language, or None."""
        if not self.resource_rva:
            return None
        root = self.offset(self.resource_rva)
        directory = root
        for wanted in (kind, ident, None):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            entries = [struct.unpack_from("<II", self.data, directory + 16 + 8 * i) for i in range(named + numbered)]
            match = [target for key, target in entries if wanted is None or key == wanted]
            if not match:
                return None
            directory = root + (match[0] & 0x7FFFFFFF)
        rva, size = struct.unpack_from("<II", self.data, directory)
        return self.data[self.offset(rva) : self.offset(rva) + size]


def read_list(path):
    """{dll in lower case: (dll, exact, {function: architecture or None})} from LIST."""
    dlls, current = {}, None
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0].startswith("["):
            header = " ".join(words).strip("[]").split()
            current = dlls.setdefault(header[0].lower(), (header[0], header[1:] == ["exact"], {}))
        elif current is None or len(words) > 2 or words[1:] not in ([], ["x86"], ["x64"]):
            raise ValueError(f"{path}:{number}: expected 'Function [x86|x64]' under a [DLL] line")
        else:
            current[2][words[0]] = words[1] if len(words) == 2 else None
    return dlls


def manifest_problems(manifest):
    if manifest is None:
        return ["has no manifest (RT_MANIFEST 1)"]
    text = manifest.decode("utf-8-sig")
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return [f"has a manifest that does not parse: {error}"]
    problems = []
    if root.tag != "{urn:schemas-microsoft-com:asm.v1}assembly":
        problems.append(f"has a manifest whose root is {root.tag}, not the asm.v1 assembly")
    # Windows XP SP2 and Server 2003 RTM restart when one element declares the same namespace twice.
    for tag in re.findall(r"<[A-Za-z][^>]*>", text):
        uris = re.findall(r"\bxmlns(?::[\w.-]+)?\s*=\s*[\"']([^\"']*)", tag)
        if len(uris) != len(set(uris)):
            problems.append(f"has a manifest element that declares one namespace twice: {tag}")
    # XP refuses a trustInfo in the assembly's own namespace; it skips one in asm.v2 or asm.v3.
    for element in root.iter():
        if element.tag.endswith("}trustInfo") and element.tag not in (
            "{urn:schemas-microsoft-com:asm.v2}trustInfo",
            "{urn:schemas-microsoft-com:asm.v3}trustInfo",
        ):
            problems.append(f"has a manifest trustInfo in {element.tag}, not in asm.v2 or asm.v3")
        if element.tag.endswith("}dependentAssembly"):
            names = [child.get("name") for child in element if child.tag.endswith("}assemblyIdentity")]
            if names != ["Microsoft.Windows.Common-Controls"]:
                problems.append(f"has a manifest dependency that Windows XP lacks: {names}")
    return problems


def problems(image, allowed, list_name):
    if image.machine not in MACHINES:
        return [f"is for machine {image.machine:#x}, which the list does not cover"]
    architecture, oldest, version = MACHINES[image.machine]
    found = []
    for what, (major, minor) in (("operating system", image.os_version), ("subsystem", image.subsystem_version)):
        if (major, minor) > version:
            oldest_version = ".".join(map(str, version))
            found.append(f"asks for {what} version {major}.{minor} in its PE header; {oldest} is {oldest_version}")
    imported = image.imports()
    for dll, function in imported:
        _, exact, functions = allowed.get(dll.lower(), (dll, False, None))
        if functions is None:
            found.append(f"imports {function} from {dll}, a DLL not on {list_name} (what {oldest} has)")
        elif function not in functions or functions[function] not in (None, architecture):
            kept = "the names it is imported by" if exact else f"what {oldest} has"
            found.append(f"imports {function} from {dll}, which is not on {list_name} ({kept})")
    for dll, exact, functions in allowed.values():
        if exact:
            names = {function for name, function in imported if name.lower() == dll.lower()}
            for function in sorted(set(functions) - names):
                found.append(f"does not import {function} from {dll} by that exact name")
    return found + manifest_problems(image.resource(RT_MANIFEST, 1))


def main(program, list_path):
    with open(program, "rb") as file:
        image = PeImage(file.read())
    name = program.replace("\\", "/").rsplit("/", 1)[-1]
    list_name = list_path.replace("\\", "/").rsplit("/", 1)[-1]
    found = problems(image, read_list(list_path), list_name)
    for problem in found:
        print(f"{name} {problem}")
    if found:
        return 1
    architecture, oldest, _ = MACHINES[image.machine]
    print(f"{name} ({architecture}): {len(image.imports())} imports, PE versions and manifest fit {oldest}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
