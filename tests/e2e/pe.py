"""Reads a resource out of a Windows executable image, without any tool of the toolchain."""
import struct
from pathlib import Path

RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_ID = 1


def _directory_entries(image, offset):
    """(id, offset of what it points to, is a directory) for each id entry of a resource
    directory; named entries come first and are skipped."""
    named, ids = struct.unpack_from("<HH", image, offset + 12)
    for n in range(named, named + ids):
        ident, target = struct.unpack_from("<II", image, offset + 16 + 8 * n)
        yield ident, target & 0x7FFFFFFF, bool(target & 0x80000000)


def resource(path, type_id, name_id):
    """The bytes of resource `name_id` of type `type_id` (its first language), or None."""
    image = Path(path).read_bytes()
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    assert image[pe:pe + 4] == b"PE\0\0", path
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    assert struct.unpack_from("<H", image, optional)[0] == 0x20B, "a 64-bit image"
    rva, size = struct.unpack_from("<II", image, optional + 112 + 2 * 8)  # directory 2: resources
    if size == 0:
        return None

    def file_offset(address):
        for n in range(sections):
            header = optional + optional_size + 40 * n
            virtual_size, virtual_address, _, raw_pointer = struct.unpack_from("<IIII", image,
                                                                               header + 8)
            if virtual_address <= address < virtual_address + max(virtual_size, 1):
                return raw_pointer + address - virtual_address
        raise ValueError("address %#x lies in no section" % address)

    base = root = file_offset(rva)  # offsets within the resources count from their start
    for wanted in (type_id, name_id):
        found = [(target, is_dir) for ident, target, is_dir in _directory_entries(image, root)
                 if ident == wanted]
        if not found or not found[0][1]:
            return None
        root = base + found[0][0]
    languages = list(_directory_entries(image, root))
    if not languages or languages[0][2]:
        return None
    data = base + languages[0][1]
    data_rva, data_size = struct.unpack_from("<II", image, data)
    start = file_offset(data_rva)
    return image[start:start + data_size]


def manifest(path):
    """The application manifest that Windows applies when it creates a process of the image."""
    return resource(path, RT_MANIFEST, CREATEPROCESS_MANIFEST_ID)
