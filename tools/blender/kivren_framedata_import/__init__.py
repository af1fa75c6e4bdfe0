# Kivren2 frame data import: File > Import > "Kivren frame data (.txt)".
#
# Kivren2 records a Rocket League replay as videos plus a text file with the
# camera, ball and cars of every recorded frame. This add-on turns that file
# into an animated camera (its focal length following the game's field of
# view) and animated empties, keyed so that frame N of the scene shows what
# frame N of the Main video shows. Set the Main video as the camera's
# background (done for you when "name.mov" lies beside "name.txt") and the
# two line up frame for frame.

bl_info = {
    "name": "Kivren frame data",
    "author": "Kivren2",
    "version": (2, 0, 0),
    "blender": (3, 4, 0),
    "location": "File > Import > Kivren frame data (.txt)",
    "description": "Import the camera, ball and cars recorded by Kivren2",
    "category": "Import-Export",
}

if "bpy" in locals():
    # F3 > "Reload Scripts" keeps the module objects: reload ours in order.
    import importlib
    importlib.reload(frame_data)
    importlib.reload(pass_encoding)
    importlib.reload(custom_pass_manifest)
    importlib.reload(scene_builder)
    importlib.reload(compositor_passes)
    importlib.reload(import_operator)
else:
    from . import (frame_data, pass_encoding, custom_pass_manifest, scene_builder,
                   compositor_passes, import_operator)

import bpy


def menu_import(self, context):
    self.layout.operator(import_operator.ImportKivrenFrameData.bl_idname,
                         text="Kivren frame data (.txt)")


def register():
    bpy.utils.register_class(import_operator.KivrenIdPassMesh)
    bpy.utils.register_class(import_operator.ImportKivrenFrameData)
    bpy.types.TOPBAR_MT_file_import.append(menu_import)


def unregister():
    bpy.types.TOPBAR_MT_file_import.remove(menu_import)
    bpy.utils.unregister_class(import_operator.ImportKivrenFrameData)
    bpy.utils.unregister_class(import_operator.KivrenIdPassMesh)
