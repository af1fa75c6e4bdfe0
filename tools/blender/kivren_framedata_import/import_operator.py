# The import operator: its options, and the report a user sees when the file
# is not valid frame data or a pass could not be brought in.

import os
import time

import bpy
from bpy.props import (BoolProperty, CollectionProperty, EnumProperty, FloatProperty,
                       FloatVectorProperty, IntProperty, StringProperty)
from bpy_extras.io_utils import ImportHelper

from .compositor_passes import import_passes, manifest_path, pass_paths
from .custom_pass_manifest import ManifestError, read_manifest
from .frame_data import FrameDataError, read_frame_data
from .scene_builder import build_scene


class KivrenIdPassMesh(bpy.types.PropertyGroup):
    """One mesh of the take's ID pass, as the import dialog lists it."""

    hash: StringProperty(name="Hash")
    colour: FloatVectorProperty(name="Colour", subtype='COLOR', size=3, min=0.0, max=1.0)
    use: BoolProperty(name="Matte", description="Make a matte for this mesh", default=True)


class ImportKivrenFrameData(bpy.types.Operator, ImportHelper):
    """Import a Kivren2 frame data file as an animated camera, ball and cars"""

    bl_idname = "import_scene.kivren_framedata"
    bl_label = "Import Kivren Frame Data"
    bl_options = {'REGISTER', 'UNDO', 'PRESET'}

    filename_ext = ".txt"
    filter_glob: StringProperty(default="*.txt", options={'HIDDEN'})

    fps: IntProperty(
        name="Frame Rate",
        description="The recording's kivren_fps: frames per second of its videos",
        default=30, min=1, max=999)
    start_frame: IntProperty(
        name="Start Frame",
        description="Scene frame of the file's first entry (the Main video's first frame)",
        default=1, min=-1048574, max=1048574)
    resolution_x: IntProperty(
        name="Width", description="Width of the recorded videos in pixels",
        default=1920, min=4, max=65536)
    resolution_y: IntProperty(
        name="Height", description="Height of the recorded videos in pixels",
        default=1080, min=4, max=65536)
    sensor_fit: EnumProperty(
        name="Sensor Fit",
        description="Which side of the picture the camera's sensor size spans",
        items=(('AUTO', "Auto", "The sensor width spans the longer side"),
               ('HORIZONTAL', "Horizontal", "The sensor width spans the picture's width"),
               ('VERTICAL', "Vertical", "The sensor height spans the picture's height")),
        default='AUTO')
    sensor_width: FloatProperty(
        name="Sensor Width", description="Camera sensor width in millimetres",
        default=36.0, min=1.0, max=1000.0, unit='CAMERA')
    sensor_height: FloatProperty(
        name="Sensor Height", description="Camera sensor height in millimetres",
        default=24.0, min=1.0, max=1000.0, unit='CAMERA')
    scale: FloatProperty(
        name="Scale", description="Blender units per Unreal unit (0.01: metres)",
        default=0.01, min=1e-6, max=100.0, precision=4)
    set_scene: BoolProperty(
        name="Set Up Scene",
        description="Set the scene's camera, frame range, frame rate and resolution "
                    "to match the recording",
        default=True)
    main_video: BoolProperty(
        name="Main Video as Background",
        description="Show the recording's Main video (the .mov of the same name beside "
                    "the file) behind the camera view",
        default=True)
    passes: BoolProperty(
        name="Passes into the Compositor",
        description="Load the take's Main, Depth, Normal and ID pass videos beside the file "
                    "into the compositor, with the depth as a Z pass in scene units, the "
                    "normals in camera space and one matte per ID pass mesh",
        default=True)
    id_meshes: CollectionProperty(type=KivrenIdPassMesh)
    # The file whose ID pass list id_meshes shows.
    id_meshes_of: StringProperty(options={'HIDDEN', 'SKIP_SAVE'})

    def check(self, context):
        # Called as the user picks a file: list the meshes of its ID pass.
        changed = super().check(context)
        if self.id_meshes_of == self.filepath:
            return changed
        self.id_meshes_of = self.filepath
        self.id_meshes.clear()
        try:
            manifest = read_manifest(manifest_path(self.filepath))
        except ManifestError:
            return True
        for mesh in manifest.meshes:
            item = self.id_meshes.add()
            item.name = item.hash = mesh.hash
            item.colour = mesh.key_colour()
        return True

    def execute(self, context):
        started = time.perf_counter()
        try:
            entries = read_frame_data(self.filepath)
        except FrameDataError as error:
            self.report({'ERROR'}, "%s: %s" % (bpy.path.basename(self.filepath), error))
            return {'CANCELLED'}
        if entries.cut_off is not None:
            self.report({'WARNING'}, "%s: %s; the entry is left out"
                        % (bpy.path.basename(self.filepath), entries.cut_off))
        camera, ball, cars, clip = build_scene(context, entries, self.filepath, self)
        passes = ""
        if self.passes:
            # The dialog's ticks; a script that gives none gets every mesh.
            chosen = {item.hash: item.use for item in self.id_meshes}
            result = import_passes(context, self.filepath, entries, self, chosen)
            if result.clips:
                for reason in result.left_out:
                    self.report({'WARNING'}, "Left out %s" % reason)
                passes = ", passes %s into the compositor" % ", ".join(result.clips)
                if "Custom" in result.clips:
                    passes += " with %d ID mattes" % len(result.mattes)
                passes += "".join(" (%s)" % note for note in result.notes)
            elif any(os.path.isfile(p) for p in pass_paths(self.filepath).values()):
                for reason in result.left_out:
                    self.report({'WARNING'}, "Left out %s" % reason)
        replays = sum(1 for e in entries if e is not None)
        self.report({'INFO'}, "Imported %d frames (%d with a replay), %d car slots%s%s in %.1f s"
                    % (len(entries), replays, len(cars),
                       ", Main video as background" if clip else "", passes,
                       time.perf_counter() - started))
        return {'FINISHED'}

    def draw(self, context):
        layout = self.layout
        layout.use_property_split = True
        layout.use_property_decorate = False
        column = layout.column(heading="Recording")
        column.prop(self, "fps")
        column.prop(self, "start_frame")
        column.prop(self, "resolution_x")
        column.prop(self, "resolution_y")
        column = layout.column(heading="Camera")
        column.prop(self, "sensor_fit")
        if self.sensor_fit != 'VERTICAL':
            column.prop(self, "sensor_width")
        if self.sensor_fit == 'VERTICAL':
            column.prop(self, "sensor_height")
        layout.prop(self, "scale")
        layout.prop(self, "set_scene")
        layout.prop(self, "main_video")
        layout.prop(self, "passes")
        if self.passes and self.filepath:
            found = [name for name, path in pass_paths(self.filepath).items()
                     if os.path.isfile(path)]
            layout.label(text="Passes: %s" % (", ".join(found) if found else "none beside the file"))
            if self.id_meshes:
                box = layout.box()
                box.label(text="ID pass mattes")
                for item in self.id_meshes:
                    row = box.row(align=True)
                    row.prop(item, "use", text=item.hash)
                    swatch = row.row()
                    swatch.enabled = False
                    swatch.prop(item, "colour", text="")
