#!/usr/bin/env Rscript
# Makes src/app/overview/outline.bin, the built-in outline of the world drawn under the track:
# Natural Earth's 1:50m coastlines and the land borders between its 1:50m countries (public
# domain), as Debian ships them in r-cran-rnaturalearthdata. Run by hand to refresh the file
# (`Rscript scripts/make-outline.R OUT`); the build and the tests read the committed file.
#
# The format (read by geometry/Outline.cpp), every number an unsigned LEB128 varint:
#   "T2NOUTL1", the line count, then per line: its kind (0 coast, 1 border), its point count, and
#   its points as longitude and latitude in 1e-4 degrees, the first zigzag-coded, every later one
#   the zigzag-coded difference from the point before.
suppressPackageStartupMessages(library(sp))

args <- commandArgs(trailingOnly = TRUE)
out <- if (length(args) > 0) args[[1]] else "src/app/overview/outline.bin"
unit <- 1e4

quantise <- function(coords) {
    q <- cbind(round(coords[, 1] * unit), round(coords[, 2] * unit))
    # Points that fall together at this resolution are one.
    keep <- c(TRUE, rowSums(abs(diff(q))) > 0)
    q[keep, , drop = FALSE]
}

e <- new.env()
data("coastline50", "countries50", package = "rnaturalearthdata", envir = e)

coasts <- list()
for (lines in e$coastline50@lines)
    for (line in lines@Lines)
        coasts[[length(coasts) + 1]] <- quantise(line@coords)

# A border is an edge of two countries' rings: each edge keyed without its direction, counted.
edgeFrom <- list()
edgeTo <- list()
for (polygons in e$countries50@polygons)
    for (ring in polygons@Polygons) {
        q <- quantise(ring@coords)
        if (nrow(q) < 2) next
        edgeFrom[[length(edgeFrom) + 1]] <- q[-nrow(q), , drop = FALSE]
        edgeTo[[length(edgeTo) + 1]] <- q[-1, , drop = FALSE]
    }
from <- do.call(rbind, edgeFrom)
to <- do.call(rbind, edgeTo)
pointKey <- function(p) paste(p[, 1], p[, 2])
a <- pointKey(from)
b <- pointKey(to)
edgeKey <- ifelse(a < b, paste(a, b), paste(b, a))
shared <- edgeKey %in% edgeKey[duplicated(edgeKey)]
from <- from[shared, , drop = FALSE]
to <- to[shared, , drop = FALSE]
keys <- edgeKey[shared]
first <- !duplicated(keys)
from <- from[first, , drop = FALSE]
to <- to[first, , drop = FALSE]

# Edges chained into lines: each line runs on while its last point starts exactly one unused edge.
startKey <- pointKey(from)
endKey <- pointKey(to)
used <- rep(FALSE, nrow(from))
byStart <- split(seq_len(nrow(from)), startKey)
borders <- list()
for (i in seq_len(nrow(from))) {
    if (used[i]) next
    used[i] <- TRUE
    points <- list(from[i, ], to[i, ])
    at <- endKey[i]
    repeat {
        next_ <- byStart[[at]]
        next_ <- next_[!used[next_]]
        if (length(next_) != 1) break
        used[next_] <- TRUE
        points[[length(points) + 1]] <- to[next_, ]
        at <- endKey[next_]
    }
    borders[[length(borders) + 1]] <- do.call(rbind, points)
}

varint <- function(v) {
    bytes <- list()
    for (x in v) {
        repeat {
            low <- x %% 128
            x <- x %/% 128
            if (x == 0) { bytes[[length(bytes) + 1]] <- low; break }
            bytes[[length(bytes) + 1]] <- low + 128
        }
    }
    as.raw(unlist(bytes))
}
zigzag <- function(v) ifelse(v >= 0, 2 * v, -2 * v - 1)

encodeLine <- function(kind, q) {
    d <- rbind(q[1, ], diff(q))
    c(varint(c(kind, nrow(q))), varint(zigzag(as.vector(t(d)))))
}

lines <- c(lapply(coasts, function(q) encodeLine(0, q)),
           lapply(borders, function(q) encodeLine(1, q)))
con <- file(out, "wb")
writeBin(charToRaw("T2NOUTL1"), con)
writeBin(varint(length(lines)), con)
for (l in lines) writeBin(l, con)
close(con)
cat(sprintf("%s: %d coast lines, %d border lines, %d points\n", out, length(coasts),
            length(borders), sum(sapply(coasts, nrow)) + sum(sapply(borders, nrow))))
