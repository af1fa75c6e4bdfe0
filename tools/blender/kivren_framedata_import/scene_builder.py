# Turns frame data into Blender objects: an animated camera, an empty for the
# ball and one per car slot, keyed on every frame of the recording.
#
# The game works in Unreal units (1 uu = 1 cm) in a left-handed frame, X
# forward, Y right, Z up. Blender is right-handed with Z up, so a location
# (X, Y, Z) becomes (X, -Y, Z) times the scale (0.01 for metres). Mirroring Y
# mirrors the camera with the world, so its picture is not mirrored.
#
# A quaternion (x, y, z, w) in the file is the game's Rotator (Yaw about Z,
# Pitch about -Y, Roll about -X); mirrored it becomes (-x, y, -z, w) with the
# actor's own axes mirrored too: a car's local +X is its nose, +Y its left
# side, +Z its roof. Blender's camera looks down its local -Z with +Y up, so
# the camera's rotation is the mirrored one followed by CAMERA_AXES, which
# takes -Z to the game camera's forward and +Y to its up.

import math
import os

import bpy
from mathutils import Quaternion

# Euler XYZ (90, 0, -90) degrees; mathutils orders quaternions W, X, Y, Z.
CAMERA_AXES = Quaternion((0.5, 0.5, -0.5, -0.5))

# A resting ball's centre sits 93.15 uu above the floor.
BALL_RADIUS_UU = 93.15
CAR_ARROW_LENGTH_UU = 120.0


def location_to_blender(location, scale):
    x, y, z = location
    return (x * scale, -y * scale, z * scale)


def rotation_to_blender(quaternion):
    x, y, z, w = quaternion
    return Quaternion((w, -x, y, -z))


def camera_rotation_to_blender(quaternion):
    return rotation_to_blender(quaternion) @ CAMERA_AXES


def focal_length(field_of_view, width, height, sensor_fit, sensor_width, sensor_height):
    """Lens in millimetres for a horizontal field of view (degrees) across a
    picture of width x height pixels, as Blender's camera sensor fit reads it."""
    half_width = math.tan(math.radians(field_of_view) / 2.0)
    half_height = half_width * height / width
    if sensor_fit == 'HORIZONTAL':
        return sensor_width / 2.0 / half_width
    if sensor_fit == 'VERTICAL':
        return sensor_height / 2.0 / half_height
    # AUTO: the sensor width spans the longer side.
    return sensor_width / 2.0 / (half_width if width >= height else half_height)


# Blender's numbers for the key interpolations, which foreach_set takes.
_INTERPOLATION = {'CONSTANT': 0, 'LINEAR': 1}


class _Channels:
    """Key values of one animated property, gathered first and handed to
    Blender in one call per F-curve: inserting 100,000 keys one by one takes
    minutes, this takes seconds."""

    def __init__(self, data_path, size):
        self.data_path = data_path
        self.frames = []
        self.values = [[] for _ in range(size)]

    def add(self, frame, values):
        self.frames.append(frame)
        for channel, value in zip(self.values, values):
            channel.append(value)

    def write(self, id_data, interpolation, data_path=None):
        if not self.frames:
            return
        animation = id_data.animation_data or id_data.animation_data_create()
        if animation.action is None:
            animation.action = bpy.data.actions.new(id_data.name + " Action")
        count = len(self.frames)
        for index, values in enumerate(self.values):
            curve = animation.action.fcurves.new(data_path or self.data_path, index=index)
            points = curve.keyframe_points
            points.add(count)
            coordinates = [0.0] * (2 * count)
            coordinates[0::2] = self.frames
            coordinates[1::2] = values
            points.foreach_set("co", coordinates)
            points.foreach_set("interpolation", [_INTERPOLATION[interpolation]] * count)
            curve.update()


def _new_empty(collection, name, display_type, size):
    empty = bpy.data.objects.new(name, None)
    empty.empty_display_type = display_type
    empty.empty_display_size = size
    collection.objects.link(empty)
    return empty


def _attach_main_video(camera_data, path, start_frame):
    """Shows the recording's Main video (the .mov of the same name) behind
    the camera view, starting on the frame of the first entry."""
    video = os.path.splitext(path)[0] + ".mov"
    if not os.path.isfile(video):
        return None
    try:
        clip = bpy.data.movieclips.load(video, check_existing=True)
    except RuntimeError:
        # A video that Blender cannot open costs the background, not the import.
        return None
    clip.frame_start = start_frame
    background = camera_data.background_images.new()
    background.source = 'MOVIE_CLIP'
    background.clip = clip
    camera_data.show_background_images = True
    return clip


def build_scene(context, entries, path, options):
    """Creates the collection, camera and empties for the entries of one
    file, keys them and, if asked, sets the scene up to match the videos.
    options is the import operator (its properties)."""
    name = os.path.splitext(os.path.basename(path))[0]
    collection = bpy.data.collections.new("Kivren " + name)
    context.scene.collection.children.link(collection)

    camera_data = bpy.data.cameras.new("Kivren Camera")
    camera_data.sensor_fit = options.sensor_fit
    camera_data.sensor_width = options.sensor_width
    camera_data.sensor_height = options.sensor_height
    camera = bpy.data.objects.new("Kivren Camera", camera_data)
    collection.objects.link(camera)

    scale = options.scale
    ball = _new_empty(collection, "Kivren Ball", 'SPHERE', BALL_RADIUS_UU * scale)
    car_slots = max((len(e.cars) for e in entries if e is not None), default=0)
    cars = [_new_empty(collection, "Kivren Car %d" % (i + 1), 'ARROWS',
                       CAR_ARROW_LENGTH_UU * scale) for i in range(car_slots)]

    camera_location = _Channels("location", 3)
    camera_rotation = _Channels("rotation_euler", 3)
    lens = _Channels("lens", 1)
    ball_location = _Channels("location", 3)
    ball_rotation = _Channels("rotation_quaternion", 4)
    car_location = [_Channels("location", 3) for _ in cars]
    car_rotation = [_Channels("rotation_quaternion", 4) for _ in cars]
    car_hidden = [_Channels("hide_viewport", 1) for _ in cars]

    width, height = options.resolution_x, options.resolution_y
    previous_euler = None
    previous_quaternions = {}
    hidden_before = [None] * len(cars)

    def quaternion_keys(key, quaternion):
        # q and -q are one rotation: keep the sign nearest to the last key so
        # that the curves do not swing the long way between two frames.
        before = previous_quaternions.get(key)
        if before is not None and before.dot(quaternion) < 0.0:
            quaternion.negate()
        previous_quaternions[key] = quaternion
        return quaternion

    for index, entry in enumerate(entries):
        frame = options.start_frame + index
        for slot in range(len(cars)):
            hidden = entry is None or slot >= len(entry.cars)
            if hidden != hidden_before[slot]:
                car_hidden[slot].add(frame, (hidden,))
                hidden_before[slot] = hidden
        if entry is None:
            continue

        camera_location.add(frame, location_to_blender(entry.camera.location, scale))
        # Of the equivalent Euler triples, the one nearest the last key, so
        # that a yaw passing 180 degrees does not spin the camera round.
        rotation = camera_rotation_to_blender(entry.camera.quaternion)
        euler = (rotation.to_euler('XYZ', previous_euler) if previous_euler
                 else rotation.to_euler('XYZ'))
        previous_euler = euler
        camera_rotation.add(frame, euler)
        lens.add(frame, (focal_length(entry.field_of_view, width, height, options.sensor_fit,
                                      options.sensor_width, options.sensor_height),))

        ball_location.add(frame, location_to_blender(entry.ball.location, scale))
        ball_rotation.add(frame, quaternion_keys(
            "ball", rotation_to_blender(entry.ball.quaternion)))
        for slot, car in enumerate(entry.cars):
            car_location[slot].add(frame, location_to_blender(car.location, scale))
            car_rotation[slot].add(frame, quaternion_keys(
                slot, rotation_to_blender(car.quaternion)))

    # Linear keys: between two recorded frames (motion blur, retimed footage)
    # the values move straight from one to the next and never overshoot.
    camera_location.write(camera, 'LINEAR')
    camera_rotation.write(camera, 'LINEAR')
    lens.write(camera_data, 'LINEAR')
    ball.rotation_mode = 'QUATERNION'
    ball_location.write(ball, 'LINEAR')
    ball_rotation.write(ball, 'LINEAR')
    for slot, car in enumerate(cars):
        car.rotation_mode = 'QUATERNION'
        car_location[slot].write(car, 'LINEAR')
        car_rotation[slot].write(car, 'LINEAR')
        # A slot that is empty on some frames is hidden there, in renders too.
        if any(car_hidden[slot].values[0]):
            car_hidden[slot].write(car, 'CONSTANT')
            car_hidden[slot].write(car, 'CONSTANT', data_path="hide_render")

    if options.set_scene:
        scene = context.scene
        scene.camera = camera
        scene.render.fps = options.fps
        scene.render.fps_base = 1.0
        scene.frame_start = options.start_frame
        scene.frame_end = options.start_frame + len(entries) - 1
        scene.render.resolution_x = width
        scene.render.resolution_y = height
        scene.render.pixel_aspect_x = 1.0
        scene.render.pixel_aspect_y = 1.0
    clip = _attach_main_video(camera_data, path, options.start_frame) if options.main_video else None
    return camera, ball, cars, clip
