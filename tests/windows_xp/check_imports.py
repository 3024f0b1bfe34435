#!/usr/bin/env python3
"""Fails, saying why, when a Windows program would not load on the oldest Windows it is for.

usage: check_imports.py PROGRAM LIST

Every function the program imports must be on LIST (the functions that Windows has there, by DLL), whether the
loader binds it when the program loads or the program binds it on first use (a delay import); the versions in
its PE header must be no later than that Windows; a DLL whose section is marked "exact" must be imported by
exactly the names listed; one marked "delay" must be bound on first use only, never by the loader; and its
manifest must be one that the Windows XP loader accepts. It only reads the file, so it checks a 32-bit build
without a 32-bit Wine.
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
        self.image_base = self._u32(optional + 28) if pe32 else struct.unpack_from("<Q", data, optional + 24)[0]
        table = optional + struct.unpack_from("<H", data, coff + 16)[0]
        # (virtual address, virtual size, file offset, file size) of each section
        self._sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(section_count)]
        self._sections = [(va, max(vsize, rawsize), raw) for vsize, va, rawsize, raw in self._sections]
        self.import_rva, self.resource_rva = self._u32(directories + 8), self._u32(directories + 16)
        self.delay_import_rva = self._u32(directories + 13 * 8)

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

    def _valid_rva(self, rva):
        return any(va <= rva < va + size for va, size, _ in self._sections)

    def _names(self, dll, lookup):
        """[(dll, function or '#ordinal')] of one lookup table."""
        found = []
        size, by_ordinal = self._thunk
        entry_at = self.offset(lookup)
        while entry := int.from_bytes(self.data[entry_at : entry_at + size], "little"):
            function = f"#{entry & 0xFFFF}" if entry & by_ordinal else self._text((entry & 0x7FFFFFFF) + 2)
            found.append((dll, function))
            entry_at += size
        return found

    def imports(self):
        """[(dll, function or '#ordinal')] in the order of the import table: what the loader binds."""
        found = []
        descriptor = self.offset(self.import_rva) if self.import_rva else None
        while descriptor is not None:
            lookup, _, _, name, bound = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                break
            found += self._names(self._text(name), lookup or bound)
            descriptor += 20
        return found

    def _delay_descriptor(self, at):
        """(dll, name table RVA) of a delay-import descriptor at file offset at, or None when it is none."""
        if at + 32 > len(self.data):
            return None
        attributes, name, module, address_table, name_table, _, _, _ = struct.unpack_from("<8I", self.data, at)
        if attributes == 0:  # the oldest form holds addresses, not RVAs
            name, module, address_table, name_table = (
                (value - self.image_base) & 0xFFFFFFFF for value in (name, module, address_table, name_table)
            )
        elif attributes != 1:
            return None
        if not all(self._valid_rva(rva) for rva in (name, module, address_table, name_table)):
            return None
        try:
            dll = self._text(name)
        except (ValueError, UnicodeDecodeError):
            return None
        return (dll, name_table) if re.fullmatch(r"[\w.-]+\.dll", dll, re.IGNORECASE) else None

    def delay_imports(self):
        """[(dll, function)] that the program binds on first use.

        GNU ld leaves the delay-import directory empty for MinGW's delay-import libraries, so without it the
        descriptors are looked for in the image: 32 bytes, RVAs (attributes 1) of a DLL name, a module handle
        and two tables, all inside the image."""
        descriptors = []
        if self.delay_import_rva:
            at = self.offset(self.delay_import_rva)
            while (found := self._delay_descriptor(at)) is not None:
                descriptors.append(found)
                at += 32
        else:
            for va, size, raw in self._sections:
                for at in range(raw, raw + size - 31, 4):
                    if self.data[at : at + 4] == b"\1\0\0\0" and (found := self._delay_descriptor(at)):
                        descriptors.append(found)
        return [entry for dll, name_table in descriptors for entry in self._names(dll, name_table)]

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
    """{dll in lower case: (dll, exact, delay, {function: architecture or None})} from LIST."""
    dlls, current = {}, None
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0].startswith("["):
            header = " ".join(words).strip("[]").split()
            if not set(header[1:]) <= {"exact", "delay"}:
                raise ValueError(f"{path}:{number}: a [DLL] line takes only 'exact' and 'delay'")
            current = dlls.setdefault(
                header[0].lower(), (header[0], "exact" in header[1:], "delay" in header[1:], {})
            )
        elif current is None or len(words) > 2 or words[1:] not in ([], ["x86"], ["x64"]):
            raise ValueError(f"{path}:{number}: expected 'Function [x86|x64]' under a [DLL] line")
        else:
            current[3][words[0]] = words[1] if len(words) == 2 else None
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
    loaded, delayed = image.imports(), image.delay_imports()
    for (dll, function), on_first_use in [(entry, False) for entry in loaded] + [(entry, True) for entry in delayed]:
        _, exact, delay, functions = allowed.get(dll.lower(), (dll, False, False, None))
        if functions is None:
            found.append(f"imports {function} from {dll}, a DLL not on {list_name} (what {oldest} has)")
        elif function not in functions or functions[function] not in (None, architecture):
            kept = "the names it is imported by" if exact else f"what {oldest} has"
            found.append(f"imports {function} from {dll}, which is not on {list_name} ({kept})")
        elif delay and not on_first_use:
            found.append(f"imports {function} from {dll} when it loads instead of on first use")
    for dll, exact, delay, functions in allowed.values():
        if exact:
            names = {function for name, function in (delayed if delay else loaded) if name.lower() == dll.lower()}
            how = " on first use" if delay else ""
            for function in sorted(set(functions) - names):
                found.append(f"does not import {function} from {dll} by that exact name{how}")
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
    counts = f"{len(image.imports())} imports, {len(image.delay_imports())} bound on first use"
    print(f"{name} ({architecture}): {counts}, PE versions and manifest fit {oldest}")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
