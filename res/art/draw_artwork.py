#!/usr/bin/env python3
"""Draws the installer's pictures and writes them into res/: the two product banners, the two connection
pictures, the step-icon strip and the application icon. Only the standard library is used.

    python3 res/art/draw_artwork.py [--preview DIR]

--preview also writes every picture as PNG into DIR, to look at them.
"""
import argparse
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import image_files  # noqa: E402
import pictures  # noqa: E402

RES_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--preview', help='folder for PNG copies of every picture')
    parser.add_argument('--out', default=RES_DIR, help='folder for the resource files (default: res/)')
    args = parser.parse_args()

    outputs = {}
    previews = {}
    for name, product in (('banner_talvenia.bmp', pictures.TALVENIA), ('banner_fendro.bmp', pictures.FENDRO)):
        canvas = pictures.banner(product)
        outputs[name] = image_files.bmp24(canvas)
        previews[name] = image_files.png(canvas)
    for name, connected in (('not_connected.bmp', False), ('connected.bmp', True)):
        canvas = pictures.connection(connected)
        outputs[name] = image_files.bmp24(canvas)
        previews[name] = image_files.png(canvas)
    strip = pictures.step_icons()
    outputs['step_icons.bmp'] = image_files.bmp4(strip, pictures.STEP_PALETTE)
    previews['step_icons.bmp'] = image_files.png(strip)

    icon_images = []
    for size in (48, 32, 16):
        canvas = pictures.app_icon(size)
        icon_images.append((size, 32, image_files.icon_image_32(canvas)))
        previews['icon_%d.ico' % size] = image_files.png(canvas, checker=True)
    for size in (32, 16):
        icon_images.append((size, 8, image_files.icon_image_8(pictures.app_icon(size))))
    outputs['TalveniaInstaller.ico'] = image_files.ico(icon_images)

    os.makedirs(args.out, exist_ok=True)
    for name, data in outputs.items():
        with open(os.path.join(args.out, name), 'wb') as f:
            f.write(data)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name, data in previews.items():
            with open(os.path.join(args.preview, os.path.splitext(name)[0] + '.png'), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
