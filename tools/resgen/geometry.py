"""Plane geometry for the resource drawings.

Pictures are drawn by sampling pixel centres against polygons, so that a shape
rotated about the picture's centre is rasterised the same way as an upright one.
"""


def inside_polygon(x, y, polygon):
    """Even-odd test of the point (x, y) against a closed polygon."""
    inside = False
    count = len(polygon)
    for index in range(count):
        ax, ay = polygon[index]
        bx, by = polygon[(index + 1) % count]
        if (ay > y) != (by > y):
            crossing_x = ax + (y - ay) * (bx - ax) / (by - ay)
            if x < crossing_x:
                inside = not inside
    return inside


def distance_to_segment(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length_squared = dx * dx + dy * dy
    t = 0.0 if length_squared == 0 else ((x - ax) * dx + (y - ay) * dy) / length_squared
    t = max(0.0, min(1.0, t))
    ex, ey = ax + t * dx - x, ay + t * dy - y
    return (ex * ex + ey * ey) ** 0.5


def near_outline(x, y, polygon, half_width):
    """True when (x, y) lies within half_width of one of the polygon's edges."""
    count = len(polygon)
    return any(distance_to_segment(x, y, polygon[i], polygon[(i + 1) % count]) <= half_width
               for i in range(count))


def clip_half_plane(polygon, a, b, c):
    """The part of the polygon where a*x + b*y >= c (Sutherland-Hodgman, one edge)."""
    result = []
    count = len(polygon)
    for index in range(count):
        current = polygon[index]
        following = polygon[(index + 1) % count]
        current_side = a * current[0] + b * current[1] - c
        following_side = a * following[0] + b * following[1] - c
        if current_side >= 0:
            result.append(current)
        if (current_side >= 0) != (following_side >= 0):
            t = current_side / (current_side - following_side)
            result.append((current[0] + t * (following[0] - current[0]),
                           current[1] + t * (following[1] - current[1])))
    return result


def polygon_area(polygon):
    count = len(polygon)
    twice_area = sum(polygon[i][0] * polygon[(i + 1) % count][1]
                     - polygon[(i + 1) % count][0] * polygon[i][1] for i in range(count))
    return abs(twice_area) / 2.0
